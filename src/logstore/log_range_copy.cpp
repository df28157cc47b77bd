// Copying a range of the log as text: whole runs of byte lines at a time.
#include "logstore/log_model.h"

#include "logstore/find_cr.h"
#include "logstore/lines_to_text.h"
#include "logstore/log_storage.h"
#include "logstore/prefault.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

using namespace logstore;

namespace {

// Appends the lines of sealed chunk `c`, the first from column `fromColumn`, the
// last up to column `toColumn`, decompressed into `scratch`. Counts the CRs
// while converting, as the decoder would.
bool appendWholeChunk(const SealedChunk& c, qsizetype fromColumn, qsizetype toColumn, QStringView lineBreak,
                      std::vector<char>& scratch, QString& out) {
    if (!decompressChunk(c.packed.view(), c.rawSize, c.lines, scratch)) return false;
    const char* text = scratch.data();
    const std::size_t size = scratch.size();
    const auto* firstCr = findCr(text, size);
    // Searched from the end: only the last line is read.
    const std::size_t lastCrAt = std::string_view(text, size).rfind('\r');
    const char* lastCr = lastCrAt == std::string_view::npos ? nullptr : text + lastCrAt;
    std::size_t begin = 0;
    std::size_t end = size;
    if (c.lines == 1) {
        if (firstCr) return false;
        begin = std::size_t(std::clamp<qsizetype>(fromColumn, 0, qsizetype(size)));
        end = std::size_t(std::clamp<qsizetype>(toColumn, qsizetype(begin), qsizetype(size)));
    } else {
        if (!firstCr) return false;
        // Both ends stay within their lines, so every CR of the chunk is converted and counted.
        begin = std::size_t(std::clamp<qsizetype>(fromColumn, 0, firstCr - text));
        const std::size_t lastBegin = std::size_t(lastCr + 1 - text);
        end = lastBegin + std::size_t(std::clamp<qsizetype>(toColumn, 0, qsizetype(size - lastBegin)));
    }
    return appendLinesAsText({text + begin, end - begin}, c.lines - 1, lineBreak, out);
}

}  // namespace

void LogModel::appendText(qsizetype fromLine, qsizetype fromColumn, qsizetype toLine, qsizetype toColumn,
                          QStringView lineBreak, QString& out) const {
    // Room for every byte of the chunks involved, so that the text grows only once.
    const LogStorage& s = *d_;
    std::size_t room = std::size_t(toLine - fromLine) * std::size_t(lineBreak.size());
    if (fromLine < s.openFirst) {
        const std::size_t last = toLine < s.openFirst ? s.chunkOf(toLine) : s.sealed.size() - 1;
        for (std::size_t k = s.chunkOf(fromLine); k <= last; ++k) room += s.sealed[k].rawSize;
    }
    if (toLine >= s.openFirst) room += s.open.size();
    out.reserve(out.size() + static_cast<qsizetype>(room));
    prefaultForFilling(out.data() + out.size(), std::size_t(out.capacity() - out.size()) * sizeof(QChar));

    // The columns of `line` that belong to the range, clamped into its `length`.
    auto columns = [&](qsizetype line, qsizetype length) {
        const qsizetype from = line == fromLine ? fromColumn : 0;
        const qsizetype to = line == toLine ? toColumn : std::numeric_limits<qsizetype>::max();
        const qsizetype a = std::clamp<qsizetype>(from, 0, length);
        return std::pair{a, std::clamp<qsizetype>(to, a, length)};
    };
    // Lines whose chunk cannot be read this time read empty.
    auto emptyLines = [&](qsizetype& line, qsizetype last) {
        for (; line < last; ++line) out.append(lineBreak);
        line = last + 1;
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
        JoinedLines lines;
        qsizetype chunkFirst = s.openFirst;
        if (line >= s.openFirst) {
            lines = s.openLines();
        } else {
            const std::size_t k = s.chunkOf(line);
            chunkFirst = s.sealedFirst[k];
            const qsizetype chunkLast = chunkFirst + qsizetype(s.sealed[k].lines) - 1;
            last = std::min(last, chunkLast);
            const DecodedChunk* chunk = s.cache.find(k);
            if (!chunk && line == chunkFirst && last == chunkLast) {
                // A wholly selected chunk that is not cached is decompressed
                // into scratch memory, neither indexed nor cached: a long copy
                // would only churn the cache.
                const qsizetype size = out.size();
                const Decoded whole = s.retryingOnMemory([&] {
                    out.resize(size);
                    return appendWholeChunk(s.sealed[k], line == fromLine ? fromColumn : 0,
                                            last == toLine ? toColumn : std::numeric_limits<qsizetype>::max(),
                                            lineBreak, scratch, out);
                });
                if (whole == Decoded::Done) {
                    line = last + 1;
                    continue;
                }
                out.resize(size);
                std::vector<char>().swap(scratch);
                if (whole == Decoded::Undecodable) {
                    emptyLines(line, last);
                    continue;
                }
            }
            if (!chunk) chunk = s.decoded(k);
            if (!chunk) {
                emptyLines(line, last);
                continue;
            }
            lines = chunk->lines();
        }
        const auto first = std::size_t(line - chunkFirst);
        const auto final = std::size_t(last - chunkFirst);
        std::size_t begin =
            lines.begin(first) + std::size_t(columns(line, qsizetype(lines.length(first))).first);
        std::size_t end =
            lines.begin(final) + std::size_t(columns(last, qsizetype(lines.length(final))).second);
        // The decoder has counted these CRs already.
        appendLinesAsText({lines.text + begin, end - begin}, std::size_t(last - line), lineBreak, out);
        line = last + 1;
    }
}
