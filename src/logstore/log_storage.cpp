#include "logstore/log_storage.h"

#include "logstore/find_cr.h"
#include "text/codepage.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace logstore {
namespace {

inline bool isBlank(char byte) {
    return static_cast<std::uint8_t>(byte) <= 0x20;
}

// The code page's byte for `ch`, or -1 when the page has none.
inline int narrowByte(char16_t ch) {
    if (ch < 0x80) return ch;
    const std::uint8_t b = codepage::fromUnicode(ch);
    return (b == '?') ? -1 : b;
}

const QString kTabSpaces = QStringLiteral("    ");

// Removes the trailing blanks of the lines in `text` in place; returns the new
// size and the longest line.
std::size_t trimLines(char* text, std::size_t size, std::size_t& longest) {
    std::size_t write = 0;
    std::size_t begin = 0;
    longest = 0;
    while (true) {
        const char* cr = findCr(text + begin, size - begin);
        const std::size_t end = cr ? std::size_t(cr - text) : size;
        std::size_t keep = end - begin;
        while (keep > 0 && isBlank(text[begin + keep - 1])) --keep;
        if (keep > 0) std::memmove(text + write, text + begin, keep);
        write += keep;
        longest = std::max(longest, keep);
        if (!cr) break;
        text[write++] = '\r';
        begin = end + 1;
    }
    return write;
}

}  // namespace

bool LogStorage::holdsWide(qsizetype first, qsizetype lines) const {
    const auto next = wide.lower_bound(first);
    return next != wide.end() && next->first < first + lines;
}

std::size_t LogStorage::chunkOf(qsizetype line) const {
    return static_cast<std::size_t>(std::upper_bound(sealedFirst.begin(), sealedFirst.end(), line) -
                                    sealedFirst.begin() - 1);
}

const DecodedChunk* LogStorage::decoded(std::size_t k) const {
    if (const auto* hit = cache.find(k)) return hit;
    const DecodedChunk* kept = nullptr;
    retryingOnMemory([&] {
        DecodedChunk chunk;
        const SealedChunk& c = sealed[k];
        if (!decodeChunk(c.packed.view(), c.rawSize, c.lines, chunk)) return false;
        kept = cache.insert(k, std::move(chunk));
        return true;
    });
    return kept;
}

ByteLine LogStorage::bytesOf(qsizetype i) const {
    if (i >= openFirst) {
        const std::span<const char> line = openLines().line(static_cast<std::size_t>(i - openFirst));
        return {line.data(), line.size()};
    }
    const std::size_t k = chunkOf(i);
    const DecodedChunk* chunk = decoded(k);
    if (!chunk) return {};
    const std::span<const char> line = chunk->lines().line(static_cast<std::size_t>(i - sealedFirst[k]));
    return {line.data(), line.size()};
}

qsizetype LogStorage::length(qsizetype i) const {
    if (isWide(i)) return wide.at(i).size();
    return static_cast<qsizetype>(bytesOf(i).size);
}

void LogStorage::startLine() {
    if (openStarts.empty()) {
        // Room for a whole chunk at once, so that filling it never copies it.
        if (open.capacity() < kChunkBytes + kChunkBytes / 4) open.reserve(kChunkBytes + kChunkBytes / 4);
        openStarts.push_back(open.size());
        return;
    }
    open.push_back('\r');
    openStarts.push_back(open.size());
}

void LogStorage::noteLastLength() {
    maxLength = std::max(maxLength, length(count() - 1));
}

void LogStorage::makeLastWide() {
    const std::size_t b = openStarts.back();
    QString text;
    codepage::decodeAppend(QByteArrayView(open.data() + b, qsizetype(open.size() - b)), text);
    open.resize(b);
    wide[count() - 1] = std::move(text);
}

void LogStorage::seal() {
    // When memory for the compressed copy runs out, the lines simply stay open.
    SealedChunk c;
    const JoinedLines lines = openLines();
    c.lines = lines.count();
    c.rawSize = open.size();
    c.blanksTrimmed = true;
    for (std::size_t j = 0; j < lines.count(); ++j) {
        const std::size_t e = lines.end(j);
        c.longest = std::max(c.longest, lines.length(j));
        if (e > lines.begin(j) && isBlank(open[e - 1])) c.blanksTrimmed = false;
    }
    try {
        c.packed = compressor.compress(open);
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

void LogStorage::append(QStringView batch) {
    if (count() == 0) startLine();

    // A CR becomes CR LF and only CR LF pairs break lines, so each CR is exactly one
    // line break and every LF stays in its line as text.
    char pending[4096];
    std::size_t pendingCount = 0;
    auto flush = [&] {
        open.insert(open.end(), pending, pending + pendingCount);
        pendingCount = 0;
    };

    const char16_t* text = batch.utf16();
    const qsizetype n = batch.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t ch = text[i];
        if (ch == u'\r') {
            flush();
            noteLastLength();
            if (open.size() >= kChunkBytes) seal();
            startLine();
            ++i;
            continue;
        }
        if (!wide.empty() && isWide(count() - 1)) {
            QString& line = wide[count() - 1];
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
                makeLastWide();
                continue;  // the same character again, now into the wide line
            }
            pending[pendingCount++] = static_cast<char>(b);
        }
        if (pendingCount > sizeof(pending) - 4) flush();
        ++i;
    }
    flush();
    noteLastLength();
}

void LogStorage::clear() {
    cache.clear();
    std::vector<SealedChunk>().swap(sealed);
    std::vector<qsizetype>().swap(sealedFirst);
    openFirst = 0;
    open.clear();
    openStarts.clear();
    wide.clear();
    maxLength = 0;
}

void LogStorage::trimChunk(SealedChunk& c) {
    // A chunk whose memory cannot be had keeps its lines as they are.
    retryingOnMemory([&] {
        DecodedChunk chunk;
        if (!decodeChunk(c.packed.view(), c.rawSize, c.lines, chunk)) return false;
        std::size_t longest = 0;
        const std::size_t size = trimLines(chunk.bytes.get(), chunk.size, longest);
        if (size != chunk.size) {
            c.packed = compressor.compress({chunk.bytes.get(), size});
            c.rawSize = size;
        }
        c.longest = longest;
        c.blanksTrimmed = true;
        return true;
    });
}

void LogStorage::trimTrailingBlanks() {
    cache.clear();
    std::size_t longest = 0;
    for (SealedChunk& c : sealed) {
        if (!c.blanksTrimmed) trimChunk(c);
        longest = std::max(longest, c.longest);
    }
    if (!openStarts.empty()) {
        std::size_t openLongest = 0;
        open.resize(trimLines(open.data(), open.size(), openLongest));
        // The line starts move down by the blanks removed before them.
        const std::size_t lines = openStarts.size();
        indexJoinedLines(open.data(), open.size(), lines, openStarts);
        longest = std::max(longest, openLongest);
    }
    qsizetype result = static_cast<qsizetype>(longest);
    for (auto& [index, text] : wide) {
        qsizetype length = text.size();
        while (length > 0 && text.at(length - 1).unicode() <= 0x20) --length;
        text.truncate(length);
        result = std::max(result, length);
    }
    maxLength = result;
}

std::size_t LogStorage::bytesHeld() const {
    std::size_t bytes = open.capacity() + openStarts.capacity() * sizeof(std::size_t) +
                        sealed.capacity() * sizeof(SealedChunk) + sealedFirst.capacity() * sizeof(qsizetype) +
                        cache.bytes();
    for (const SealedChunk& c : sealed) bytes += c.packed.size;
    for (const auto& [index, text] : wide) bytes += std::size_t(text.capacity()) * 2 + 64;
    return bytes;
}

}  // namespace logstore
