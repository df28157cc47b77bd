#include "window/window_placement.h"

#include <algorithm>

namespace placement {

QPoint centredClientPosition(const QRect& screen, const QRect& workArea, QPoint desktopTopLeft, QSize client,
                             QMargins frame) {
    const QSize outer = client.grownBy(frame);
    const int left = std::max(desktopTopLeft.x(), screen.left() + (workArea.width() - outer.width()) / 2);
    const int top = std::max(desktopTopLeft.y(), screen.top() + (workArea.height() - outer.height()) / 2);
    return {left + frame.left(), top + frame.top()};
}

}  // namespace placement
