#include "logview/accessible/log_view_accessible.h"

#include "logstore/log_model.h"
#include "logview/accessible/accessible_log_text.h"
#include "logview/log_view.h"

#include <QScrollBar>

#include <algorithm>
#include <climits>

using logtext::Span;
using logtext::Unit;

namespace {

// Log lines are the text's lines, sentences and paragraphs alike; "no boundary"
// would be the whole log, which is never handed out in one piece.
Unit unitOf(QAccessible::TextBoundaryType type) {
    switch (type) {
        case QAccessible::CharBoundary:
            return Unit::Character;
        case QAccessible::WordBoundary:
            return Unit::Word;
        default:
            return Unit::Line;
    }
}

QAccessibleInterface* logViewFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("LogView") && object && object->isWidgetType())
        return new LogViewAccessible(static_cast<LogView*>(object));
    return nullptr;
}

}  // namespace

void installLogViewAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(logViewFactory);
        return true;
    }();
    (void)installed;
}

LogViewAccessible::LogViewAccessible(LogView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

LogView* LogViewAccessible::view() const {
    return static_cast<LogView*>(widget());
}

AccessibleLogText& LogViewAccessible::reader() const {
    return *view()->accessibility();
}

QAccessible::State LogViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    return s;
}

QString LogViewAccessible::text(QAccessible::Text t) const {
    // The value of a text would be all of it: the log is read through the text interface.
    if (t == QAccessible::Value) return {};
    return QAccessibleWidget::text(t);
}

void* LogViewAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

int LogViewAccessible::characterCount() const {
    return reader().follow().count();
}

QString LogViewAccessible::text(int startOffset, int endOffset) const {
    const logtext::LogTextWindow& window = reader().follow();
    if (endOffset < 0) endOffset = window.count();  // -1: to the end
    if (startOffset < 0 || startOffset >= endOffset) return {};
    return readableText(reader().offsets().text(window.toGlobal(startOffset), window.toGlobal(endOffset)));
}

QString LogViewAccessible::unitText(Side side, int offset, QAccessible::TextBoundaryType boundaryType,
                                    int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = -1;
    const logtext::LogTextWindow& window = reader().follow();
    if (offset == -2) offset = cursorPosition();  // Qt's way of asking at the caret
    if (offset < 0 || offset > window.count()) return {};
    const logtext::LogTextOffsets& offsets = reader().offsets();
    const qint64 at = window.toGlobal(offset);
    const Unit unit = unitOf(boundaryType);
    const Span span = side == Side::Before  ? offsets.unitBefore(at, unit)
                      : side == Side::After ? offsets.unitAfter(at, unit)
                                            : offsets.unitAt(at, unit);
    *startOffset = window.toLocal(span.start);
    *endOffset = window.toLocal(span.end);
    return readableText(offsets.text(window.toGlobal(*startOffset), window.toGlobal(*endOffset)));
}

QString LogViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    return unitText(Side::Before, offset, boundaryType, startOffset, endOffset);
}

QString LogViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
    return unitText(Side::At, offset, boundaryType, startOffset, endOffset);
}

QString LogViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    return unitText(Side::After, offset, boundaryType, startOffset, endOffset);
}

int LogViewAccessible::cursorPosition() const {
    return reader().offsetOf(view()->state().caret());
}

void LogViewAccessible::setCursorPosition(int position) {
    view()->moveCaretTo(reader().positionOf(position));
}

int LogViewAccessible::selectionCount() const {
    return view()->state().hasSelection() ? 1 : 0;
}

void LogViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const LogViewState& state = view()->state();
    if (selectionIndex != 0 || !state.hasSelection()) return;
    *startOffset = reader().offsetOf(state.selectionStart());
    *endOffset = reader().offsetOf(state.selectionEnd());
}

void LogViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0) return;
    view()->selectRange(reader().positionOf(startOffset), reader().positionOf(endOffset));
}

// The view holds one selection: a new one replaces it.
void LogViewAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void LogViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex != 0 || !view()->state().hasSelection()) return;
    view()->moveCaretTo(view()->state().caret());
}

QRect LogViewAccessible::characterRect(int offset) const {
    if (offset < 0 || offset > characterCount()) return {};
    const TextPos pos = reader().positionOf(offset);
    return cellsRect(pos, pos);
}

// The cells from column from.column to to.column of lines from.line to to.line, on the screen.
QRect LogViewAccessible::cellsRect(TextPos from, TextPos to) const {
    const LogView* v = view();
    const auto& m = v->metrics();
    const auto clamped = [](qint64 value) {
        return static_cast<int>(std::clamp<qint64>(value, INT_MIN / 2, INT_MAX / 2));
    };
    const QPoint topLeft(
        clamped(v->textLeft() + qint64{from.column - v->state().firstColumn()} * m.cellWidth),
        clamped(qint64{from.line - v->state().firstLine()} * m.lineHeight));
    const QSize size(clamped(qint64{to.column - from.column + 1} * m.cellWidth),
                     clamped(qint64{to.line - from.line + 1} * m.lineHeight));
    return QRect(v->viewport()->mapToGlobal(topLeft), size);
}

QRect LogViewAccessible::rangeRect(int startOffset, int endOffset) const {
    const int count = characterCount();
    if (endOffset == -1) endOffset = count;
    if (endOffset <= startOffset || startOffset > count) return {};
    const TextPos first = reader().positionOf(std::max(startOffset, 0));
    const TextPos last = reader().positionOf(std::min(endOffset, count));
    if (first.line == last.line) return cellsRect(first, last);
    // Over several lines: from column 0 to the widest cell, a line's break
    // included. The longest line of the log bounds it; past a long stretch of
    // lines that bound is taken as it is, so that no range reads the whole log.
    constexpr qsizetype kLinesMeasured = qsizetype{1} << 16;
    const LogModel& model = *view()->model();
    const qsizetype widest = model.maxLineLength();
    qsizetype right = std::max(last.column, model.lineLength(first.line));
    if (last.line - first.line > kLinesMeasured) right = std::max(right, widest);
    for (qsizetype line = first.line + 1; line < last.line && right < widest; ++line)
        right = std::max(right, model.lineLength(line));
    return cellsRect({first.line, 0}, {last.line, right});
}

int LogViewAccessible::offsetAtPoint(const QPoint& point) const {
    const LogView* v = view();
    const QPoint local = v->viewport()->mapFromGlobal(point);
    if (!v->viewport()->rect().contains(local)) return -1;
    return reader().offsetOf(v->positionAt(local));
}

void LogViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    // Through the scroll bars, as the user scrolls: the caret stays where it is.
    LogView* v = view();
    const TextPos from = reader().positionOf(startIndex);
    const TextPos to = reader().positionOf(std::max(startIndex, endIndex));
    const LogViewState& state = v->state();
    if (from.line < state.firstLine() || to.line >= state.firstLine() + state.pageRows())
        v->verticalScrollBar()->setValue(static_cast<int>(from.line));
    if (from.column < state.firstColumn() || from.column >= state.firstColumn() + state.pageColumns())
        v->horizontalScrollBar()->setValue(static_cast<int>(std::max<qsizetype>(from.column - 2, 0)));
}

QString LogViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One look for the whole text: no attributes of its own.
    (void)offset;
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
