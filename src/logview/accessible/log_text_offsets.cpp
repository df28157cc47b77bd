#include "logview/accessible/log_text_offsets.h"

#include "logstore/log_model.h"

#include <algorithm>

namespace logtext {

qsizetype ModelLines::lineCount() const {
    return model_.lineCount();
}

qsizetype ModelLines::lineLength(qsizetype line) const {
    return model_.lineLength(line);
}

QString ModelLines::lineSlice(qsizetype line, qsizetype from, qsizetype count) const {
    return model_.lineSlice(line, from, count);
}

namespace {

// Reads one line in slices around the columns asked for, so that finding a
// word in a very long line never reads the whole line.
class LineReader {
public:
    LineReader(const LineSource& lines, qsizetype line) : lines_(lines), line_(line) {}

    bool isDelimiter(qsizetype column) {
        if (column < from_ || column >= from_ + text_.size()) {
            from_ = std::max<qsizetype>(column - kSlice / 2, 0);
            text_ = lines_.lineSlice(line_, from_, kSlice);
        }
        const QChar ch = text_.at(column - from_);
        return ch.unicode() <= 0x20 || LogViewState::isWordDelimiter(ch);
    }
    bool startsWord(qsizetype column) {
        return !isDelimiter(column) && (column == 0 || isDelimiter(column - 1));
    }

private:
    static constexpr qsizetype kSlice = 512;
    const LineSource& lines_;
    qsizetype line_;
    qsizetype from_ = 0;
    QString text_;
};

}  // namespace

void LogTextOffsets::reset() {
    blockStarts_.assign(1, 0);
    known_.fill(KnownLine{});
}

void LogTextOffsets::remember(qsizetype line, qint64 start) const {
    KnownLine* oldest = &known_[0];
    for (KnownLine& k : known_) {
        if (k.line == line) {
            k.used = ++uses_;
            return;
        }
        if (k.used < oldest->used) oldest = &k;
    }
    *oldest = {line, start, ++uses_};
}

// The line that holds `offset` when it is a known line or the one after it; -1 otherwise.
qsizetype LogTextOffsets::knownLineAt(qint64 offset, qsizetype last) const {
    for (KnownLine& k : known_) {
        if (k.line < 0 || k.line > last || offset < k.start) continue;
        const qint64 end = k.start + lines_.lineLength(k.line);
        if (offset <= end || k.line == last) {
            k.used = ++uses_;
            return k.line;
        }
        const qsizetype next = k.line + 1;
        if (next == last || offset <= end + 1 + lines_.lineLength(next)) {
            remember(next, end + 1);
            return next;
        }
    }
    return -1;
}

void LogTextOffsets::countBlocksThrough(qsizetype block) const {
    while (static_cast<qsizetype>(blockStarts_.size()) <= block) {
        const qsizetype first = (static_cast<qsizetype>(blockStarts_.size()) - 1) * kBlockLines;
        qint64 start = blockStarts_.back();
        for (qsizetype i = first; i < first + kBlockLines; ++i) start += lines_.lineLength(i) + 1;
        blockStarts_.push_back(start);
    }
}

qint64 LogTextOffsets::lineStart(qsizetype line) const {
    for (KnownLine& k : known_) {
        if (k.line == line) {
            k.used = ++uses_;
            return k.start;
        }
    }
    for (const KnownLine& k : known_) {
        if (k.line >= 0 && k.line + 1 == line) {
            const qint64 start = k.start + lines_.lineLength(k.line) + 1;
            remember(line, start);
            return start;
        }
    }
    const qsizetype block = line / kBlockLines;
    countBlocksThrough(block);
    qint64 start = blockStarts_[static_cast<std::size_t>(block)];
    for (qsizetype i = block * kBlockLines; i < line; ++i) start += lines_.lineLength(i) + 1;
    remember(line, start);
    return start;
}

qsizetype LogTextOffsets::lineAt(qint64 offset) const {
    const qsizetype last = lastLine();
    if (last < 0) return 0;
    if (const qsizetype known = knownLineAt(offset, last); known >= 0) return known;
    const qsizetype lastBlock = last / kBlockLines;
    countBlocksThrough(lastBlock);
    const auto begin = blockStarts_.begin();
    const qsizetype block = std::upper_bound(begin, begin + lastBlock + 1, offset) - begin - 1;
    qsizetype line = block * kBlockLines;
    qint64 start = blockStarts_[static_cast<std::size_t>(block)];
    for (;; ++line) {
        const qsizetype length = lines_.lineLength(line);
        if (line == last || offset <= start + length) {
            remember(line, start);
            return line;
        }
        start += length + 1;
    }
}

qint64 LogTextOffsets::length() const {
    const qsizetype last = lastLine();
    return last < 0 ? 0 : lineStart(last) + lines_.lineLength(last);
}

qint64 LogTextOffsets::offsetOf(TextPos pos) const {
    const qsizetype last = lastLine();
    if (last < 0) return 0;
    const qsizetype line = std::clamp<qsizetype>(pos.line, 0, last);
    return lineStart(line) + std::clamp<qsizetype>(pos.column, 0, lines_.lineLength(line));
}

TextPos LogTextOffsets::positionOf(qint64 offset) const {
    if (lastLine() < 0) return {};
    offset = std::clamp<qint64>(offset, 0, length());
    const qsizetype line = lineAt(offset);
    return {line, static_cast<qsizetype>(offset - lineStart(line))};
}

QString LogTextOffsets::text(qint64 from, qint64 to) const {
    const qint64 total = length();
    from = std::clamp<qint64>(from, 0, total);
    to = std::clamp<qint64>(to, 0, total);
    QString out;
    if (from >= to) return out;
    out.reserve(static_cast<qsizetype>(to - from));
    const TextPos a = positionOf(from);
    const TextPos b = positionOf(to);
    for (qsizetype line = a.line; line <= b.line; ++line) {
        const qsizetype begin = line == a.line ? a.column : 0;
        const qsizetype end = line == b.line ? b.column : lines_.lineLength(line);
        out += lines_.lineSlice(line, begin, end - begin);
        if (line < b.line) out += u'\n';
    }
    return out;
}

Span LogTextOffsets::lineSpan(qsizetype line) const {
    const qint64 start = lineStart(line);
    return {start, start + lines_.lineLength(line) + (line < lastLine() ? 1 : 0)};
}

Span LogTextOffsets::wordSpan(qsizetype line, qsizetype column) const {
    const qsizetype length = lines_.lineLength(line);
    const qsizetype withBreak = length + (line < lastLine() ? 1 : 0);
    LineReader reader(lines_, line);
    qsizetype begin = std::clamp<qsizetype>(column, 0, std::max<qsizetype>(length - 1, 0));
    while (begin > 0 && !reader.startsWord(begin)) --begin;
    qsizetype end = column + 1;
    while (end < length && !reader.startsWord(end)) ++end;
    if (end >= length) end = withBreak;
    const qint64 start = lineStart(line);
    return {start + begin, start + end};
}

Span LogTextOffsets::unitAt(qint64 offset, Unit unit) const {
    const qint64 total = length();
    offset = std::clamp<qint64>(offset, 0, total);
    switch (unit) {
        case Unit::Character:
            return offset < total ? Span{offset, offset + 1} : Span{total, total};
        case Unit::Word: {
            if (lastLine() < 0) return {};
            const TextPos pos = positionOf(offset);
            return wordSpan(pos.line, pos.column);
        }
        case Unit::Line:
            return lastLine() < 0 ? Span{} : lineSpan(lineAt(offset));
    }
    return {};
}

Span LogTextOffsets::unitBefore(qint64 offset, Unit unit) const {
    const Span at = unitAt(offset, unit);
    return at.start <= 0 ? Span{} : unitAt(at.start - 1, unit);
}

Span LogTextOffsets::unitAfter(qint64 offset, Unit unit) const {
    const qint64 total = length();
    const Span at = unitAt(offset, unit);
    return at.end >= total ? Span{total, total} : unitAt(at.end, unit);
}

}  // namespace logtext
