#pragma once
// The log view's accessible interface: a read-only, multi-line text whose
// characters are the log's, each line break counting as one. It reads the
// log's store through AccessibleLogText and moves the caret and the
// selection through the view, exactly as the keys and the mouse do.

#include "logview/log_view_state.h"

#include <QAccessibleWidget>

class LogView;
class AccessibleLogText;

class LogViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LogViewAccessible(LogView* view);

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // The union of the cells of offsets [startOffset, endOffset], the end
    // included and -1 meaning the text's end, as the AT-SPI bridge measures a
    // range, in screen coordinates; the range is clamped to the text first and
    // measured line by line. Null when the range holds nothing.
    QRect rangeRect(int startOffset, int endOffset) const;

private:
    enum class Side { Before, At, After };
    LogView* view() const;
    AccessibleLogText& reader() const;
    QString unitText(Side side, int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                     int* endOffset) const;
    QRect cellsRect(TextPos from, TextPos to) const;
};

#ifndef Q_OS_WIN
// Lets the log answer AT-SPI's range extents itself once Qt's bridge to the
// accessibility bus is up; nothing before that, and nothing a second time.
void answerLogRangesOverAtSpi();
#endif
