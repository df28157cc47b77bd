#pragma once
// Where lines and columns land on the screen and on the scroll bars. A log may
// hold more lines, and a line more columns, than a scroll bar's int counts or
// than pixels fit an int: positions and pixels are worked out in 64 bits, and
// the bars are given a scaled range when the real one is too large.

#include <QtGlobal>

namespace logview {

// The largest range a scroll bar is given; room is left above it, since the
// bar adds its page step to it.
inline constexpr qsizetype kBarRangeLimit = qsizetype{1} << 30;

// A scroll position 0..`max` on a bar of range 0..barMaximum(`max`), and back:
// the identity while `max` fits the bar, else spread evenly, with the ends kept
// and fromBar(toBar(p)) never more than one bar step from p.
int barMaximum(qsizetype max);
int toBar(qsizetype position, qsizetype max);
qsizetype fromBar(int value, qsizetype max);
// A page of `page` positions on the bar, at least one step.
int barPageStep(qsizetype page, qsizetype max);

// The left edge of `column` when `firstColumn` is the first column shown.
inline qint64 columnLeft(int textLeft, qsizetype column, qsizetype firstColumn, int cellWidth) {
    return qint64(textLeft) + (qint64(column) - qint64(firstColumn)) * qint64(cellWidth);
}

}  // namespace logview
