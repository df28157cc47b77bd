#include "logview/log_model.h"

#include "device/codepage.h"
#include "logview/byte_chunks.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

// The log is stored as the code page's bytes, one per character, back to back in
// chunks, with one 8-byte start offset per line. A line that holds a character the
// code page cannot represent (never the case for received bytes, but append()
// takes any text) keeps its UTF-16 text aside instead and marks its start with
// kWide; it then owns no bytes. Only the last line ever grows, so a line turns
// wide only at the tail of the byte store.
struct LogModel::Storage {
    static constexpr std::uint64_t kWide = std::uint64_t{1} << 63;

    ByteChunks bytes;
    std::deque<std::uint64_t> starts;
    std::unordered_map<qsizetype, QString> wide;
    qsizetype maxLength = 0;

    qsizetype count() const { return static_cast<qsizetype>(starts.size()); }
    bool isWide(qsizetype i) const { return (starts[i] & kWide) != 0; }
    std::uint64_t begin(qsizetype i) const { return starts[i] & ~kWide; }
    std::uint64_t end(qsizetype i) const { return i + 1 < count() ? begin(i + 1) : bytes.size(); }

    qsizetype length(qsizetype i) const {
        if (isWide(i)) return wide.at(i).size();
        return static_cast<qsizetype>(end(i) - begin(i));
    }
    void noteLastLength() { maxLength = std::max(maxLength, length(count() - 1)); }
    void startLine() { starts.push_back(bytes.size()); }

    // Moves the last line's text out of the byte store into the wide side table.
    void makeLastWide() {
        const qsizetype last = count() - 1;
        const std::uint64_t b = begin(last);
        QString text;
        text.reserve(static_cast<qsizetype>(bytes.size() - b));
        bytes.forEachPiece(b, bytes.size() - b, [&](const char* p, std::size_t n) {
            codepage::decodeAppend(QByteArrayView(p, n), text);
        });
        bytes.truncate(b);
        wide[last] = std::move(text);
        starts[last] |= kWide;
    }

    void decodeRange(std::uint64_t from, std::uint64_t n, QString& out) const {
        out.reserve(out.size() + static_cast<qsizetype>(n));
        bytes.forEachPiece(from, n, [&](const char* p, std::size_t k) {
            codepage::decodeAppend(QByteArrayView(p, k), out);
        });
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

}  // namespace

LogModel::LogModel(QObject* parent) : QObject(parent), d_(new Storage) {}

LogModel::~LogModel() {
    delete d_;
}

void LogModel::append(QStringView batch) {
    Storage& s = *d_;
    if (s.starts.empty()) s.startLine();

    // A CR becomes CR LF and only CR LF pairs break lines, so each CR is exactly one
    // line break and every LF stays in its line as text.
    char pending[4096];
    std::size_t pendingCount = 0;
    auto flush = [&] {
        s.bytes.append(pending, pendingCount);
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
            s.startLine();
            ++i;
            continue;
        }
        if (s.isWide(s.count() - 1)) {
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
    d_->bytes.clear();
    std::deque<std::uint64_t>().swap(d_->starts);
    d_->wide.clear();
    d_->maxLength = 0;
    emit cleared();
}

void LogModel::trimTrailingBlanks() {
    Storage& s = *d_;
    // One pass that compacts the byte store in place: every line moves down by the
    // blanks removed before it.
    std::uint64_t write = 0;
    qsizetype longest = 0;
    const qsizetype n = s.count();
    for (qsizetype i = 0; i < n; ++i) {
        const std::uint64_t readBegin = s.begin(i);
        const std::uint64_t readEnd = s.end(i);
        qsizetype length = 0;
        if (s.isWide(i)) {
            QString& line = s.wide[i];
            length = line.size();
            while (length > 0 && line.at(length - 1).unicode() <= 0x20) --length;
            line.truncate(length);
            s.starts[i] = write | Storage::kWide;
        } else {
            std::uint64_t keep = readEnd - readBegin;
            while (keep > 0 && static_cast<std::uint8_t>(s.bytes.at(readBegin + keep - 1)) <= 0x20) --keep;
            s.bytes.moveDown(readBegin, write, keep);
            s.starts[i] = write;
            write += keep;
            length = static_cast<qsizetype>(keep);
        }
        longest = std::max(longest, length);
    }
    s.bytes.truncate(write);
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
    const qsizetype length = d_->length(index);
    from = std::clamp<qsizetype>(from, 0, length);
    count = std::clamp<qsizetype>(count, 0, length - from);
    if (d_->isWide(index)) return d_->wide.at(index).mid(from, count);
    QString out;
    d_->decodeRange(d_->begin(index) + static_cast<std::uint64_t>(from), static_cast<std::uint64_t>(count),
                    out);
    return out;
}

QChar LogModel::charAt(qsizetype index, qsizetype column) const {
    if (d_->isWide(index)) return d_->wide.at(index).at(column);
    return QChar(codepage::toUnicode(
        static_cast<std::uint8_t>(d_->bytes.at(d_->begin(index) + static_cast<std::uint64_t>(column)))));
}

qsizetype LogModel::maxLineLength() const {
    return d_->maxLength;
}

void LogModel::appendEncodedLine(qsizetype index, QByteArray& out) const {
    if (d_->isWide(index)) {
        out.append(codepage::encode(d_->wide.at(index)));
        return;
    }
    d_->bytes.forEachPiece(d_->begin(index), d_->end(index) - d_->begin(index),
                           [&](const char* p, std::size_t n) { out.append(p, static_cast<qsizetype>(n)); });
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
    const qsizetype n = s.count();
    auto it = s.starts.begin();
    for (qsizetype i = 0; i < n; ++i, ++it) {
        const std::uint64_t from = *it & ~Storage::kWide;
        const std::uint64_t to = i + 1 < n ? *std::next(it) & ~Storage::kWide : s.bytes.size();
        const std::size_t length = std::size_t(to - from);
        // Most lines are short and lie in one chunk: one copy straight into the block.
        if (!(*it & Storage::kWide) && used + length + endSize <= kBlock &&
            (from >> ByteChunks::kChunkBits) == ((to - 1) >> ByteChunks::kChunkBits) && length > 0) {
            char* out = block.data() + used;
            std::memcpy(out, s.bytes.data(from), length);
            std::memcpy(out + length, lineEnd.data(), endSize);
            used += length + endSize;
            continue;
        }
        bool ok = true;
        if (*it & Storage::kWide) {
            const QByteArray encoded = codepage::encode(s.wide.at(i));
            ok = put(encoded.constData(), std::size_t(encoded.size()));
        } else {
            s.bytes.forEachPiece(from, length, [&](const char* p, std::size_t k) { ok = ok && put(p, k); });
        }
        if (!ok || !put(lineEnd.data(), endSize)) return false;
    }
    return used == 0 || sink(QByteArrayView(block.data(), qsizetype(used)));
}

qsizetype LogModel::storageBytes() const {
    return static_cast<qsizetype>(d_->bytes.capacityBytes() + d_->starts.size() * sizeof(std::uint64_t));
}
