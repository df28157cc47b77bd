#pragma once
// Caret, selection and scroll position of the log view, kept apart from the widget
// so that every reading and moving rule runs without a display.
//
// Use: the view forwards each model change (followEnd after an append, reset after
// a clear, clampToModel after a trim) and each user gesture (move, moveTo,
// selectWordAt, scrollLines, ...), then paints from caret(), selection and the
// first visible line and column. Positions are 0-based (line, column).

#include <QString>

#include <compare>

class LogModel;

struct TextPos {
    qsizetype line = 0;
    qsizetype column = 0;
    auto operator<=>(const TextPos&) const = default;
};

class LogViewState {
public:
    enum class Move {
        Left,
        Right,
        Up,
        Down,
        WordLeft,
        WordRight,
        Home,
        End,
        DocStart,
        DocEnd,
        PageUp,
        PageDown
    };

    explicit LogViewState(const LogModel& model) : model_(model) {}

    // The text area's size in whole cells (at least 1 each is assumed).
    void setPageSize(qsizetype rows, qsizetype columns);
    qsizetype pageRows() const { return rows_; }
    qsizetype pageColumns() const { return columns_; }

    TextPos caret() const { return caret_; }
    TextPos selectionStart() const { return selStart_; }
    TextPos selectionEnd() const { return selEnd_; }
    bool hasSelection() const { return selStart_ != selEnd_; }
    bool isSelected(TextPos pos) const { return selStart_ <= pos && pos < selEnd_; }

    qsizetype firstLine() const { return firstLine_; }
    qsizetype firstColumn() const { return firstColumn_; }
    qsizetype maxFirstLine() const;
    qsizetype maxFirstColumn() const;
    void setFirstLine(qsizetype line);
    void setFirstColumn(qsizetype column);
    // Scrolls without moving the caret, within the scroll range.
    void scrollLines(qsizetype delta);

    // After an append: no selection, caret at the end of the last line, in view.
    void followEnd();
    // After a clear: caret at the start, nothing selected, scrolled home.
    void reset();
    // After the lines got shorter (trim): keeps every position inside its line.
    void clampToModel();

    void move(Move move, bool extend);
    // Puts the caret at `pos` (clamped into the text), extending the selection or not.
    void moveTo(TextPos pos, bool extend);
    // Selects from the start of the first line to the end of the last; the caret stays.
    void selectAll();
    // Selects the run of non-delimiters around `pos`; on a delimiter just moves there.
    void selectWordAt(TextPos pos);
    // The selected characters, lines joined by CR LF.
    QString selectedText() const;

    // Scrolls so that the caret is visible: to the line, and horizontally with two
    // columns of room beyond it.
    void ensureCaretVisible();

    static bool isWordDelimiter(QChar ch) { return ch == u' ' || ch == u'\'' || ch == u'"'; }

private:
    qsizetype lastLine() const;
    qsizetype lengthOf(qsizetype line) const;
    qsizetype trimmedLengthOf(qsizetype line) const;
    TextPos clamp(TextPos pos) const;
    TextPos wordLeft(TextPos pos) const;
    TextPos wordRight(TextPos pos) const;
    void setCaret(TextPos pos, bool extend, bool keepPreferredColumn = false);

    const LogModel& model_;
    qsizetype rows_ = 1;
    qsizetype columns_ = 1;
    TextPos caret_;
    TextPos selStart_;
    TextPos selEnd_;
    qsizetype preferredColumn_ = 0;
    qsizetype firstLine_ = 0;
    qsizetype firstColumn_ = 0;
};
