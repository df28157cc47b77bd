#include "splash/splash_layout.h"

#include <algorithm>

namespace splash {

QRect textFrame(QSize splashSize) {
    constexpr int kInset = 2;  // half the fill's rounding of 5
    constexpr int kRightExtra = 5;
    return QRect(QPoint(kInset, kInset),
                 QPoint(splashSize.width() - 1 - kInset - kRightExtra, splashSize.height() - 1 - kInset));
}

QPoint centredPosition(const QRect& screen, const QRect& workArea, const QPoint& desktopTopLeft, QSize size) {
    const int left = screen.left() + (workArea.width() - size.width()) / 2;
    const int top = screen.top() + (workArea.height() - size.height()) / 2;
    return {std::max(left, desktopTopLeft.x()), std::max(top, desktopTopLeft.y())};
}

QFont textFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace splash
