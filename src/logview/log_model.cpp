#include "logview/log_model.h"

#include "device/codepage.h"
#include "logview/chunk_cache.h"
#include "logview/fresh_memory.h"
#include "logview/line_text.h"
#include "logview/sealed_chunk.h"

#include <QByteArrayView>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <limits>
#include <map>
#include <new>
#include <span>
#include <vector>

// The log is stored as the code page's bytes, one per character, with the lines
// separated by CR (a received line never holds one). Lines are gathered in an
// open chunk at the tail; once it holds about kChunkBytes and a line ends, the
// chunk is sealed: compressed, keeping only its first line number, line count,
// size and longest line. Reading a sealed line decompresses its chunk into a
// small cache. A line that holds a character the code page cannot represent
// (never the case for received bytes, but append() takes any text) keeps its
// UTF-16 text aside instead and owns no bytes. Only the last line ever grows,
// so a line turns wide only at the tail of the open chunk.
namespace {

using logchunk::kChunkBytes;
constexpr std::size_t kCacheBytes = std::size_t{6} << 20;

struct SealedChunk {
    std::unique_ptr<char[]> packed;
    std::uint32_t packedSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t lines = 0;
    std::uint32_t longest = 0;
    bool blanksTrimmed = false;  // no line ends in a character up to U+0020
};

struct ByteLine {
    const char* data = nullptr;
    std::size_t size = 0;
};

inline bool isBlank(char byte) {
    return static_cast<std::uint8_t>(byte) <= 0x20;
}

}  // namespace

struct LogModel::Storage {
    std::vector<SealedChunk> sealed;
    std::vector<qsizetype> sealedFirst;  // first line of each sealed chunk
    qsizetype openFirst = 0;             // first line of the open chunk
    std::vector<char> open;              // the open chunk's lines, joined by CR
    std::vector<std::size_t> openStarts;
    std::map<qsizetype, QString> wide;
    qsizetype maxLength = 0;
    mutable ChunkCache cache{kCacheBytes};
    logchunk::Compressor compressor;

    qsizetype count() const { return openFirst + static_cast<qsizetype>(openStarts.size()); }
    bool isWide(qsizetype i) const { return !wide.empty() && wide.count(i) != 0; }

    std::size_t chunkOf(qsizetype line) const {
        return static_cast<std::size_t>(std::upper_bound(sealedFirst.begin(), sealedFirst.end(), line) -
                                        sealedFirst.begin() - 1);
    }

    // The decompressed chunk `k`, or nullptr when memory for it runs out.
    const logchunk::DecodedChunk* decoded(std::size_t k) const {
        if (const auto* hit = cache.find(k)) return hit;
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                logchunk::DecodedChunk chunk;
                const SealedChunk& c = sealed[k];
                if (!logchunk::decodeSealedChunk({c.packed.get(), c.packedSize}, c.rawSize, c.lines, chunk))
                    return nullptr;
                return cache.insert(k, std::move(chunk));
            } catch (const std::bad_alloc&) {
                cache.clear();  // give the memory of every other chunk back and try once more
            }
        }
        return nullptr;
    }

    ByteLine bytesOf(qsizetype i) const {
        if (i >= openFirst) {
            const std::size_t j = static_cast<std::size_t>(i - openFirst);
            const std::size_t b = openStarts[j];
            const std::size_t e = j + 1 < openStarts.size() ? openStarts[j + 1] - 1 : open.size();
            return {open.data() + b, e - b};
        }
        const std::size_t k = chunkOf(i);
        const logchunk::DecodedChunk* chunk = decoded(k);
        if (!chunk) return {};
        const auto local = static_cast<std::uint32_t>(i - sealedFirst[k]);
        const std::uint32_t b = chunk->lineBegin(local);
        return {chunk->bytes.get() + b, chunk->lineEnd(local) - b};
    }

    qsizetype length(qsizetype i) const {
        if (isWide(i)) return wide.at(i).size();
        return static_cast<qsizetype>(bytesOf(i).size);
    }
    qsizetype lastLength() const {
        if (isWide(count() - 1)) return wide.at(count() - 1).size();
        return static_cast<qsizetype>(open.size() - openStarts.back());
    }
    void noteLastLength() { maxLength = std::max(maxLength, lastLength()); }

    void startLine() {
        if (openStarts.empty()) {
            // Room for a whole chunk at once, so that filling it never copies it.
            if (open.capacity() < kChunkBytes + kChunkBytes / 4) open.reserve(kChunkBytes + kChunkBytes / 4);
            openStarts.push_back(open.size());
            return;
        }
        open.push_back('\r');
        openStarts.push_back(open.size());
    }

    // Moves the last line's text out of the open chunk into the wide side table.
    void makeLastWide() {
        const std::size_t b = openStarts.back();
        QString text;
        codepage::decodeAppend(QByteArrayView(open.data() + b, qsizetype(open.size() - b)), text);
        open.resize(b);
        wide[count() - 1] = std::move(text);
    }

    // Seals the open chunk, whose last line has just ended. When memory for the
    // compressed copy runs out, the lines simply stay open.
    void seal() {
        SealedChunk c;
        c.lines = static_cast<std::uint32_t>(openStarts.size());
        c.rawSize = static_cast<std::uint32_t>(open.size());
        c.blanksTrimmed = true;
        for (std::size_t j = 0; j < openStarts.size(); ++j) {
            const std::size_t e = j + 1 < openStarts.size() ? openStarts[j + 1] - 1 : open.size();
            c.longest = std::max(c.longest, static_cast<std::uint32_t>(e - openStarts[j]));
            if (e > openStarts[j] && isBlank(open[e - 1])) c.blanksTrimmed = false;
        }
        try {
            const std::vector<char> packed = compressor.compress(open);
            c.packed = std::make_unique_for_overwrite<char[]>(packed.size());
            std::memcpy(c.packed.get(), packed.data(), packed.size());
            c.packedSize = static_cast<std::uint32_t>(packed.size());
            sealed.push_back(std::move(c));
            sealedFirst.push_back(openFirst);
        } catch (const std::bad_alloc&) {
            return;
        }
        openFirst += static_cast<qsizetype>(openStarts.size());
        open.clear();
        if (open.capacity() > 2 * kChunkBytes) std::vector<char>().swap(open);  // after a very long line
        openStarts.clear();
    }

    // Removes the trailing blanks of the byte lines in `text` (lines joined by CR)
    // in place; returns the new size and the longest line.
    static std::size_t trimLines(char* text, std::size_t size, std::uint32_t& longest) {
        std::size_t write = 0;
        std::size_t begin = 0;
        longest = 0;
        while (true) {
            const char* cr = static_cast<const char*>(std::memchr(text + begin, '\r', size - begin));
            const std::size_t end = cr ? std::size_t(cr - text) : size;
            std::size_t keep = end - begin;
            while (keep > 0 && isBlank(text[begin + keep - 1])) --keep;
            std::memmove(text + write, text + begin, keep);
            write += keep;
            longest = std::max(longest, static_cast<std::uint32_t>(keep));
            if (!cr) break;
            text[write++] = '\r';
            begin = end + 1;
        }
        return write;
    }
};

namespace {

// The code page's byte for `ch`, or -1 when the page has none.
inline int narrowByte(char16_t ch) {
    if (ch < 0x80) return ch;
    const std::uint8_t b = codepage::fromUnicode(ch);
    return (b == '?') ? -1 : b;
}

const QString kTabSpaces = QStringLiteral("    ");

enum class Whole { Appended, Undecodable, OutOfMemory };

// Appends the lines of sealed chunk `c`, the first from column `fromColumn`, the
// last up to column `toColumn`, decompressed into `scratch`. Counts the CRs
// while converting, as the decoder would.
Whole appendWholeChunk(const SealedChunk& c, qsizetype fromColumn, qsizetype toColumn, QStringView lineBreak,
                       std::vector<char>& scratch, QString& out) {
    try {
        if (!logchunk::decompressSealedChunk({c.packed.get(), c.packedSize}, c.rawSize, c.lines, scratch))
            return Whole::Undecodable;
    } catch (const std::bad_alloc&) {
        return Whole::OutOfMemory;
    }
    const char* text = scratch.data();
    const std::size_t size = scratch.size();
    const auto* firstCr = static_cast<const char*>(std::memchr(text, '\r', size));
    // Searched from the end: only the last line is read.
    const std::size_t lastCrAt = std::string_view(text, size).rfind('\r');
    const char* lastCr = lastCrAt == std::string_view::npos ? nullptr : text + lastCrAt;
    std::size_t begin = 0;
    std::size_t end = size;
    if (c.lines == 1) {
        if (firstCr) return Whole::Undecodable;
        begin = std::size_t(std::clamp<qsizetype>(fromColumn, 0, qsizetype(size)));
        end = std::size_t(std::clamp<qsizetype>(toColumn, qsizetype(begin), qsizetype(size)));
    } else {
        if (!firstCr) return Whole::Undecodable;
        // Both ends stay within their lines, so every CR of the chunk is converted and counted.
        begin = std::size_t(std::clamp<qsizetype>(fromColumn, 0, firstCr - text));
        const std::size_t lastBegin = std::size_t(lastCr + 1 - text);
        end = lastBegin + std::size_t(std::clamp<qsizetype>(toColumn, 0, qsizetype(size - lastBegin)));
    }
    if (!linetext::appendLines({text + begin, end - begin}, c.lines - 1, lineBreak, out))
        return Whole::Undecodable;
    return Whole::Appended;
}

}  // namespace

LogModel::LogModel(QObject* parent) : QObject(parent), d_(new Storage) {}

LogModel::~LogModel() {
    delete d_;
}

void LogModel::append(QStringView batch) {
    Storage& s = *d_;
    if (s.count() == 0) s.startLine();

    // A CR becomes CR LF and only CR LF pairs break lines, so each CR is exactly one
    // line break and every LF stays in its line as text.
    char pending[4096];
    std::size_t pendingCount = 0;
    auto flush = [&] {
        s.open.insert(s.open.end(), pending, pending + pendingCount);
        pendingCount = 0;
    };

    const char16_t* text = batch.utf16();
    const qsizetype n = batch.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t ch = text[i];
        if (ch == u'\r') {
            flush();
            s.noteLastLength();
            if (s.open.size() >= kChunkBytes) s.seal();
            s.startLine();
            ++i;
            continue;
        }
        if (!s.wide.empty() && s.isWide(s.count() - 1)) {
            QString& line = s.wide[s.count() - 1];
            if (ch == u'\t') {
                line.append(kTabSpaces);
            } else {
                line.append(QChar(ch));
            }
            ++i;
            continue;
        }
        if (ch == u'\t') {
            std::fill_n(pending + pendingCount, 4, ' ');
            pendingCount += 4;
        } else {
            const int b = narrowByte(ch);
            if (b < 0) {
                flush();
                s.makeLastWide();
                continue;  // the same character again, now into the wide line
            }
            pending[pendingCount++] = static_cast<char>(b);
        }
        if (pendingCount > sizeof(pending) - 4) flush();
        ++i;
    }
    flush();
    s.noteLastLength();
    emit appended();
}

void LogModel::clear() {
    Storage& s = *d_;
    s.cache.clear();
    std::vector<SealedChunk>().swap(s.sealed);
    std::vector<qsizetype>().swap(s.sealedFirst);
    s.openFirst = 0;
    s.open.clear();
    s.openStarts.clear();
    s.wide.clear();
    s.maxLength = 0;
    emit cleared();
}

void LogModel::trimTrailingBlanks() {
    Storage& s = *d_;
    s.cache.clear();
    qsizetype longest = 0;
    for (SealedChunk& c : s.sealed) {
        if (!c.blanksTrimmed) {
            // A chunk whose memory cannot be had keeps its lines as they are.
            try {
                logchunk::DecodedChunk chunk;
                if (logchunk::decodeSealedChunk({c.packed.get(), c.packedSize}, c.rawSize, c.lines, chunk)) {
                    std::uint32_t chunkLongest = 0;
                    const std::size_t size = Storage::trimLines(chunk.bytes.get(), chunk.size, chunkLongest);
                    if (size != chunk.size) {
                        const std::vector<char> packed = s.compressor.compress({chunk.bytes.get(), size});
                        auto copy = std::make_unique_for_overwrite<char[]>(packed.size());
                        std::memcpy(copy.get(), packed.data(), packed.size());
                        c.packed = std::move(copy);
                        c.packedSize = static_cast<std::uint32_t>(packed.size());
                        c.rawSize = static_cast<std::uint32_t>(size);
                    }
                    c.longest = chunkLongest;
                    c.blanksTrimmed = true;
                }
            } catch (const std::bad_alloc&) {
            }
        }
        longest = std::max<qsizetype>(longest, c.longest);
    }
    if (!s.openStarts.empty()) {
        std::uint32_t openLongest = 0;
        s.open.resize(Storage::trimLines(s.open.data(), s.open.size(), openLongest));
        // The line starts move down by the blanks removed before them.
        std::size_t line = 1;
        for (std::size_t p = 0; p < s.open.size() && line < s.openStarts.size(); ++p)
            if (s.open[p] == '\r') s.openStarts[line++] = p + 1;
        longest = std::max<qsizetype>(longest, openLongest);
    }
    for (auto& [index, text] : s.wide) {
        qsizetype length = text.size();
        while (length > 0 && text.at(length - 1).unicode() <= 0x20) --length;
        text.truncate(length);
        longest = std::max(longest, length);
    }
    s.maxLength = longest;
    emit trimmed();
}

qsizetype LogModel::lineCount() const {
    return d_->count();
}

QString LogModel::line(qsizetype index) const {
    return lineSlice(index, 0, lineLength(index));
}

qsizetype LogModel::lineLength(qsizetype index) const {
    return d_->length(index);
}

QString LogModel::lineSlice(qsizetype index, qsizetype from, qsizetype count) const {
    if (d_->isWide(index)) {
        const QString& text = d_->wide.at(index);
        from = std::clamp<qsizetype>(from, 0, text.size());
        return text.mid(from, std::clamp<qsizetype>(count, 0, text.size() - from));
    }
    const ByteLine bytes = d_->bytesOf(index);
    const auto length = static_cast<qsizetype>(bytes.size);
    from = std::clamp<qsizetype>(from, 0, length);
    count = std::clamp<qsizetype>(count, 0, length - from);
    QString out;
    codepage::decodeAppend(QByteArrayView(bytes.data + from, count), out);
    return out;
}

QChar LogModel::charAt(qsizetype index, qsizetype column) const {
    if (d_->isWide(index)) return d_->wide.at(index).at(column);
    const ByteLine bytes = d_->bytesOf(index);
    if (static_cast<std::size_t>(column) >= bytes.size) return QChar();
    return QChar(codepage::toUnicode(static_cast<std::uint8_t>(bytes.data[column])));
}

void LogModel::appendText(qsizetype fromLine, qsizetype fromColumn, qsizetype toLine, qsizetype toColumn,
                          QStringView lineBreak, QString& out) const {
    // Room for every byte of the chunks involved, so that the text grows only once.
    const Storage& s = *d_;
    std::size_t room = std::size_t(toLine - fromLine) * std::size_t(lineBreak.size());
    if (fromLine < s.openFirst) {
        const std::size_t last = toLine < s.openFirst ? s.chunkOf(toLine) : s.sealed.size() - 1;
        for (std::size_t k = s.chunkOf(fromLine); k <= last; ++k) room += s.sealed[k].rawSize;
    }
    if (toLine >= s.openFirst) room += s.open.size();
    out.reserve(out.size() + static_cast<qsizetype>(room));
    freshmemory::prepareForFilling(out.data() + out.size(),
                                   std::size_t(out.capacity() - out.size()) * sizeof(QChar));

    // The columns of `line` that belong to the range, clamped into its `length`.
    auto columns = [&](qsizetype line, qsizetype length) {
        const qsizetype from = line == fromLine ? fromColumn : 0;
        const qsizetype to = line == toLine ? toColumn : std::numeric_limits<qsizetype>::max();
        const qsizetype a = std::clamp<qsizetype>(from, 0, length);
        return std::pair{a, std::clamp<qsizetype>(to, a, length)};
    };
    std::vector<char> scratch;
    qsizetype line = fromLine;
    while (line <= toLine) {
        if (line != fromLine) out.append(lineBreak);
        if (s.isWide(line)) {
            const auto [a, b] = columns(line, s.wide.at(line).size());
            out.append(QStringView(s.wide.at(line)).mid(a, b - a));
            ++line;
            continue;
        }
        // The run of byte lines from `line` on that share one chunk and hold no
        // wide line: its bytes are contiguous, lines joined by CR.
        qsizetype last = toLine;
        if (!s.wide.empty()) {
            const auto next = s.wide.upper_bound(line);
            if (next != s.wide.end()) last = std::min(last, next->first - 1);
        }
        const char* text = nullptr;
        std::size_t firstBegin = 0, firstEnd = 0, lastBegin = 0, lastEnd = 0;
        if (line >= s.openFirst) {
            const auto at = [&](qsizetype i) { return static_cast<std::size_t>(i - s.openFirst); };
            const auto endOf = [&](std::size_t j) {
                return j + 1 < s.openStarts.size() ? s.openStarts[j + 1] - 1 : s.open.size();
            };
            text = s.open.data();
            firstBegin = s.openStarts[at(line)];
            firstEnd = endOf(at(line));
            lastBegin = s.openStarts[at(last)];
            lastEnd = endOf(at(last));
        } else {
            const std::size_t k = s.chunkOf(line);
            const qsizetype chunkFirst = s.sealedFirst[k];
            last = std::min<qsizetype>(last, chunkFirst + s.sealed[k].lines - 1);
            const logchunk::DecodedChunk* chunk = s.cache.find(k);
            if (!chunk && line == chunkFirst && last == chunkFirst + s.sealed[k].lines - 1) {
                // A wholly selected chunk that is not cached is decompressed
                // into scratch memory, neither indexed nor cached: a long copy
                // would only churn the cache.
                const auto whole =
                    appendWholeChunk(s.sealed[k], line == fromLine ? fromColumn : 0,
                                     last == toLine ? toColumn : std::numeric_limits<qsizetype>::max(),
                                     lineBreak, scratch, out);
                if (whole != Whole::OutOfMemory) {
                    if (whole == Whole::Undecodable)
                        for (; line < last; ++line) out.append(lineBreak);
                    line = last + 1;
                    continue;
                }
                std::vector<char>().swap(scratch);  // and let the cache try with all it holds
            }
            if (!chunk) chunk = s.decoded(k);
            if (!chunk) {
                // Out of memory: these lines read empty this time.
                for (; line < last; ++line) out.append(lineBreak);
                ++line;
                continue;
            }
            text = chunk->bytes.get();
            firstBegin = chunk->lineBegin(std::uint32_t(line - chunkFirst));
            firstEnd = chunk->lineEnd(std::uint32_t(line - chunkFirst));
            lastBegin = chunk->lineBegin(std::uint32_t(last - chunkFirst));
            lastEnd = chunk->lineEnd(std::uint32_t(last - chunkFirst));
        }
        std::size_t begin = firstBegin;
        std::size_t end = lastEnd;
        if (line == last) {
            const auto [a, b] = columns(line, qsizetype(firstEnd - firstBegin));
            begin = firstBegin + std::size_t(a);
            end = firstBegin + std::size_t(b);
        } else {
            begin += std::size_t(columns(line, qsizetype(firstEnd - firstBegin)).first);
            end = lastBegin + std::size_t(columns(last, qsizetype(lastEnd - lastBegin)).second);
        }
        // The decoder has counted these CRs already.
        linetext::appendLines({text + begin, end - begin}, std::size_t(last - line), lineBreak, out);
        line = last + 1;
    }
}

qsizetype LogModel::maxLineLength() const {
    return d_->maxLength;
}

void LogModel::appendEncodedLine(qsizetype index, QByteArray& out) const {
    if (d_->isWide(index)) {
        out.append(codepage::encode(d_->wide.at(index)));
        return;
    }
    const ByteLine bytes = d_->bytesOf(index);
    out.append(bytes.data, static_cast<qsizetype>(bytes.size));
}

bool LogModel::writeEncoded(QByteArrayView lineEnd,
                            const std::function<bool(QByteArrayView block)>& sink) const {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<char> block(kBlock);
    std::size_t used = 0;
    auto put = [&](const char* data, std::size_t n) {
        while (n > 0) {
            if (used == kBlock) {
                if (!sink(QByteArrayView(block.data(), qsizetype(used)))) return false;
                used = 0;
            }
            const std::size_t k = std::min(n, kBlock - used);
            std::memcpy(block.data() + used, data, k);
            used += k;
            data += k;
            n -= k;
        }
        return true;
    };
    const Storage& s = *d_;
    const std::size_t endSize = std::size_t(lineEnd.size());
    // Writes the lines [first, first + starts.size()) held in `text`, joined by CR.
    auto putLines = [&](qsizetype first, const char* text, std::size_t size, auto lineCount, auto lineBegin,
                        auto lineEndAt) {
        for (std::size_t j = 0; j < std::size_t(lineCount); ++j) {
            const qsizetype line = first + qsizetype(j);
            const std::size_t from = lineBegin(j);
            const std::size_t length = lineEndAt(j) - from;
            if (!s.wide.empty() && s.isWide(line)) {
                const QByteArray encoded = codepage::encode(s.wide.at(line));
                if (!put(encoded.constData(), std::size_t(encoded.size()))) return false;
            } else if (used + length + endSize <= kBlock) {
                // Most lines fit the block: one copy straight in.
                std::memcpy(block.data() + used, text + from, length);
                used += length;
            } else if (!put(text + from, length)) {
                return false;
            }
            if (used + endSize <= kBlock) {
                std::memcpy(block.data() + used, lineEnd.data(), endSize);
                used += endSize;
            } else if (!put(lineEnd.data(), endSize)) {
                return false;
            }
        }
        (void)size;
        return true;
    };
    // A chunk with no wide line is copied whole, CRs turned into line ends on
    // the way: no line index, no call per line. Chunks that hold a very long
    // line do not fit a block and go out on their own.
    std::vector<char> scratch;
    std::vector<char> large;
    auto putWholeChunk = [&](const SealedChunk& c) {
        try {
            if (!logchunk::decompressSealedChunk({c.packed.get(), c.packedSize}, c.rawSize, c.lines, scratch))
                return false;
            const std::size_t room = scratch.size() + c.lines * endSize + linetext::kCopySlack;
            if (used + room > kBlock) {
                if (used > 0 && !sink(QByteArrayView(block.data(), qsizetype(used)))) return false;
                used = 0;
            }
            if (room > kBlock) large.resize(room);
            char* const to = room > kBlock ? large.data() : block.data() + used;
            std::ptrdiff_t written = linetext::copyLines(scratch, c.lines - 1, lineEnd, to);
            if (written < 0) return false;
            std::memcpy(to + written, lineEnd.data(), endSize);  // the chunk's last line ends too
            written += std::ptrdiff_t(endSize);
            if (room <= kBlock) {
                used += std::size_t(written);
                return true;
            }
            const bool sent = sink(QByteArrayView(large.data(), qsizetype(written)));
            std::vector<char>().swap(large);
            return sent;
        } catch (const std::bad_alloc&) {
            return false;  // reported as a failed write rather than a file with lines missing
        }
    };
    for (std::size_t k = 0; k < s.sealed.size(); ++k) {
        const SealedChunk& c = s.sealed[k];
        const auto nextWide = s.wide.lower_bound(s.sealedFirst[k]);
        if (nextWide == s.wide.end() || nextWide->first >= s.sealedFirst[k] + qsizetype(c.lines)) {
            if (!putWholeChunk(c)) return false;
            continue;
        }
        logchunk::DecodedChunk chunk;
        try {
            if (!logchunk::decodeSealedChunk({c.packed.get(), c.packedSize}, c.rawSize, c.lines, chunk))
                return false;
        } catch (const std::bad_alloc&) {
            return false;  // reported as a failed write rather than a file with lines missing
        }
        if (!putLines(
                s.sealedFirst[k], chunk.bytes.get(), chunk.size, chunk.lineCount(),
                [&](std::size_t j) { return chunk.lineBegin(std::uint32_t(j)); },
                [&](std::size_t j) { return chunk.lineEnd(std::uint32_t(j)); }))
            return false;
    }
    if (!putLines(
            s.openFirst, s.open.data(), s.open.size(), s.openStarts.size(),
            [&](std::size_t j) { return s.openStarts[j]; },
            [&](std::size_t j) {
                return j + 1 < s.openStarts.size() ? s.openStarts[j + 1] - 1 : s.open.size();
            }))
        return false;
    return used == 0 || sink(QByteArrayView(block.data(), qsizetype(used)));
}

qsizetype LogModel::storageBytes() const {
    const Storage& s = *d_;
    std::size_t bytes = s.open.capacity() + s.openStarts.capacity() * sizeof(std::size_t) +
                        s.sealed.capacity() * sizeof(SealedChunk) +
                        s.sealedFirst.capacity() * sizeof(qsizetype) + s.cache.bytes();
    for (const SealedChunk& c : s.sealed) bytes += c.packedSize;
    for (const auto& [index, text] : s.wide) bytes += std::size_t(text.capacity()) * 2 + 64;
    return static_cast<qsizetype>(bytes);
}
