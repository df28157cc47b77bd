#pragma once
// Where the main window goes when it is first shown: its frame centred in the
// primary screen's work area, never left of or above the desktop's corner.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace placement {

// The client area's top-left corner for a window whose client area is
// `client` and whose frame adds `frame`: the frame's left and top edges lie at
// half the difference between the work area's and the frame's width and
// height, counted from the screen's top-left corner.
QPoint centredClientPosition(const QRect& screen, const QRect& workArea, QPoint desktopTopLeft, QSize client,
                             QMargins frame);

}  // namespace placement
