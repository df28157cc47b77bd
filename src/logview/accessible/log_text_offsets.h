#pragma once
// The log as one run of characters, the way assistive technology addresses
// text: an offset counts the characters from the log's start, each line break
// counting as one. Lines are read from the store one at a time as asked for;
// a small index of every kBlockLines-th line's offset keeps lookups short
// without a copy of the log, and the few lines looked up last are kept with
// their offsets, so that asking for the next offset, or for the line after,
// costs one line's length (assistive technology asks for every character of a
// range in turn).
//
// Use: LogTextOffsets offsets(lines); offsets.length(), offsetOf({line, column}),
// positionOf(offset), text(from, to) and the character, word or line around an
// offset. Call reset() after lines other than the last changed (clear, trim);
// appends need nothing, as only the last line ever grows.

#include "logview/log_view_state.h"

#include <QString>

#include <array>
#include <vector>

class LogModel;

namespace logtext {

// What the offsets read: the log's store in the program, made-up logs of any
// length in tests.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual qsizetype lineCount() const = 0;
    virtual qsizetype lineLength(qsizetype line) const = 0;
    virtual QString lineSlice(qsizetype line, qsizetype from, qsizetype count) const = 0;
};

// The log's own store as a line source.
class ModelLines final : public LineSource {
public:
    explicit ModelLines(const LogModel& model) : model_(model) {}
    qsizetype lineCount() const override;
    qsizetype lineLength(qsizetype line) const override;
    QString lineSlice(qsizetype line, qsizetype from, qsizetype count) const override;

private:
    const LogModel& model_;
};

// Characters [start, end) of the log.
struct Span {
    qint64 start = 0;
    qint64 end = 0;
    bool operator==(const Span&) const = default;
};

enum class Unit {
    Character,
    // A run of characters other than blanks, apostrophes and double quotes (the
    // view's double-click word) with the delimiters after it, up to the line's end.
    Word,
    // A line with the break that ends it.
    Line
};

class LogTextOffsets {
public:
    static constexpr qsizetype kBlockLines = 128;

    explicit LogTextOffsets(const LineSource& lines) : lines_(lines) {}

    void reset();
    qint64 length() const;
    // The offset of a position; the line and the column are clamped into the text.
    qint64 offsetOf(TextPos pos) const;
    // The position of an offset clamped into [0, length()]; the offset of a line
    // break is the column after its line's last character.
    TextPos positionOf(qint64 offset) const;
    // Characters [from, to), line breaks as '\n'.
    QString text(qint64 from, qint64 to) const;

    // The unit that holds `offset`, the one ending where it starts and the one
    // starting where it ends; an empty span at the text's start or end when
    // there is none. The line or word at the very end is the last one.
    Span unitAt(qint64 offset, Unit unit) const;
    Span unitBefore(qint64 offset, Unit unit) const;
    Span unitAfter(qint64 offset, Unit unit) const;

private:
    qsizetype lastLine() const { return lines_.lineCount() - 1; }
    qint64 lineStart(qsizetype line) const;
    qsizetype lineAt(qint64 offset) const;
    qsizetype knownLineAt(qint64 offset, qsizetype last) const;
    void remember(qsizetype line, qint64 start) const;
    void countBlocksThrough(qsizetype block) const;
    Span lineSpan(qsizetype line) const;
    Span wordSpan(qsizetype line, qsizetype column) const;

    const LineSource& lines_;
    // The offset of line b * kBlockLines at [b]; a block is counted only once
    // its lines all lie before the last line, which alone may still grow.
    mutable std::vector<qint64> blockStarts_{0};
    // Lines looked up lately with their offsets; a line's offset holds as long
    // as the lines before it stay, which appends never change.
    struct KnownLine {
        qsizetype line = -1;
        qint64 start = 0;
        quint64 used = 0;
    };
    mutable std::array<KnownLine, 4> known_{};
    mutable quint64 uses_ = 0;
};

}  // namespace logtext
