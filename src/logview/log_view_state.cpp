#include "logview/log_view_state.h"

#include "logstore/log_model.h"

#include <algorithm>

void LogViewState::setPageSize(qsizetype rows, qsizetype columns) {
    rows_ = std::max<qsizetype>(rows, 1);
    columns_ = std::max<qsizetype>(columns, 1);
    setFirstLine(firstLine_);
    setFirstColumn(firstColumn_);
}

qsizetype LogViewState::maxFirstLine() const {
    return std::max<qsizetype>(model_.lineCount() - rows_, 0);
}

qsizetype LogViewState::maxFirstColumn() const {
    // Room for the caret after the longest line plus the two columns kept beyond it.
    // A line exactly as wide as the text area already needs it: the caret after
    // its last character stands in the first column out of sight.
    const qsizetype longest = model_.maxLineLength();
    return longest >= columns_ ? longest + 3 - columns_ : 0;
}

void LogViewState::setFirstLine(qsizetype line) {
    firstLine_ = std::clamp<qsizetype>(line, 0, maxFirstLine());
}

void LogViewState::setFirstColumn(qsizetype column) {
    firstColumn_ = std::clamp<qsizetype>(column, 0, maxFirstColumn());
}

void LogViewState::scrollLines(qsizetype delta) {
    setFirstLine(firstLine_ + delta);
}

qsizetype LogViewState::lastLine() const {
    return std::max<qsizetype>(model_.lineCount() - 1, 0);
}

qsizetype LogViewState::lengthOf(qsizetype line) const {
    return line < model_.lineCount() ? model_.lineLength(line) : 0;
}

qsizetype LogViewState::trimmedLengthOf(qsizetype line) const {
    qsizetype n = lengthOf(line);
    while (n > 0 && model_.charAt(line, n - 1).unicode() <= 0x20) --n;
    return n;
}

TextPos LogViewState::clamp(TextPos pos) const {
    pos.line = std::clamp<qsizetype>(pos.line, 0, lastLine());
    pos.column = std::clamp<qsizetype>(pos.column, 0, lengthOf(pos.line));
    return pos;
}

void LogViewState::followEnd() {
    const qsizetype last = lastLine();
    caret_ = {last, lengthOf(last)};
    selStart_ = selEnd_ = caret_;
    preferredColumn_ = caret_.column;
    ensureCaretVisible();
}

void LogViewState::reset() {
    caret_ = selStart_ = selEnd_ = TextPos{};
    preferredColumn_ = 0;
    firstLine_ = firstColumn_ = 0;
}

void LogViewState::clampToModel() {
    caret_ = clamp(caret_);
    selStart_ = clamp(selStart_);
    selEnd_ = clamp(selEnd_);
    setFirstLine(firstLine_);
    setFirstColumn(firstColumn_);
}

void LogViewState::setCaret(TextPos pos, bool extend, bool keepPreferredColumn) {
    pos = clamp(pos);
    if (extend) {
        // The fixed end of the selection is the one the caret is not at.
        const TextPos anchor = !hasSelection() ? caret_ : (caret_ == selStart_ ? selEnd_ : selStart_);
        selStart_ = std::min(anchor, pos);
        selEnd_ = std::max(anchor, pos);
    } else {
        selStart_ = selEnd_ = pos;
    }
    caret_ = pos;
    if (!keepPreferredColumn) preferredColumn_ = pos.column;
}

void LogViewState::moveTo(TextPos pos, bool extend) {
    setCaret(pos, extend);
}

TextPos LogViewState::wordRight(TextPos pos) const {
    const qsizetype length = lengthOf(pos.line);
    if (pos.column >= length) return pos.line < lastLine() ? TextPos{pos.line + 1, 0} : pos;
    qsizetype c = pos.column;
    while (c < length && !isWordDelimiter(model_.charAt(pos.line, c))) ++c;
    while (c < length && isWordDelimiter(model_.charAt(pos.line, c))) ++c;
    return {pos.line, c};
}

TextPos LogViewState::wordLeft(TextPos pos) const {
    if (pos.column == 0) return pos.line > 0 ? TextPos{pos.line - 1, lengthOf(pos.line - 1)} : pos;
    qsizetype c = pos.column;
    while (c > 0 && isWordDelimiter(model_.charAt(pos.line, c - 1))) --c;
    while (c > 0 && !isWordDelimiter(model_.charAt(pos.line, c - 1))) --c;
    return {pos.line, c};
}

void LogViewState::move(Move move, bool extend) {
    const TextPos c = caret_;
    switch (move) {
        case Move::Left:
            if (c.column > 0)
                setCaret({c.line, c.column - 1}, extend);
            else if (c.line > 0)
                setCaret({c.line - 1, lengthOf(c.line - 1)}, extend);
            else
                setCaret(c, extend);
            break;
        case Move::Right:
            if (c.column < lengthOf(c.line))
                setCaret({c.line, c.column + 1}, extend);
            else if (c.line < lastLine())
                setCaret({c.line + 1, 0}, extend);
            else
                setCaret(c, extend);
            break;
        case Move::Up:
            setCaret({c.line - 1, preferredColumn_}, extend, true);
            break;
        case Move::Down:
            setCaret({c.line + 1, preferredColumn_}, extend, true);
            break;
        case Move::WordLeft:
            setCaret(wordLeft(c), extend);
            break;
        case Move::WordRight:
            setCaret(wordRight(c), extend);
            break;
        case Move::Home:
            setCaret({c.line, 0}, extend);
            break;
        case Move::End:
            setCaret({c.line, trimmedLengthOf(c.line)}, extend);
            break;
        case Move::DocStart:
            setCaret({0, 0}, extend);
            break;
        case Move::DocEnd:
            setCaret({lastLine(), trimmedLengthOf(lastLine())}, extend);
            break;
        case Move::PageUp:
            setFirstLine(firstLine_ - rows_);
            setCaret({c.line - rows_, preferredColumn_}, extend, true);
            break;
        case Move::PageDown:
            setFirstLine(firstLine_ + rows_);
            setCaret({c.line + rows_, preferredColumn_}, extend, true);
            break;
    }
    ensureCaretVisible();
}

void LogViewState::selectAll() {
    const qsizetype last = lastLine();
    selStart_ = {0, 0};
    selEnd_ = {last, lengthOf(last)};
}

void LogViewState::selectWordAt(TextPos pos) {
    pos = clamp(pos);
    const qsizetype length = lengthOf(pos.line);
    if (pos.column >= length || isWordDelimiter(model_.charAt(pos.line, pos.column))) {
        setCaret(pos, false);
        return;
    }
    qsizetype begin = pos.column;
    qsizetype end = pos.column;
    while (begin > 0 && !isWordDelimiter(model_.charAt(pos.line, begin - 1))) --begin;
    while (end < length && !isWordDelimiter(model_.charAt(pos.line, end))) ++end;
    selStart_ = {pos.line, begin};
    selEnd_ = caret_ = {pos.line, end};
    preferredColumn_ = end;
}

QString LogViewState::selectedText() const {
    QString out;
    if (!hasSelection() || model_.lineCount() == 0) return out;
    model_.appendText(selStart_.line, selStart_.column, selEnd_.line, selEnd_.column, u"\r\n", out);
    return out;
}

void LogViewState::ensureCaretVisible() {
    if (caret_.line < firstLine_)
        firstLine_ = caret_.line;
    else if (caret_.line > firstLine_ + rows_ - 1)
        firstLine_ = caret_.line - rows_ + 1;
    if (caret_.column < firstColumn_)
        firstColumn_ = std::max<qsizetype>(caret_.column - 2, 0);
    else if (caret_.column > firstColumn_ + columns_ - 1)
        firstColumn_ = caret_.column + 2 - columns_ + 1;
    setFirstLine(firstLine_);
    setFirstColumn(firstColumn_);
}
