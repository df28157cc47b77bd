// Windows gives a created window its frame at once, shown or not: the frame is
// the difference between the window's outer rectangle and its client area.

#include "window/frame_extents.h"

#include <QWindow>

#include <windows.h>

#include <cmath>

std::optional<QMargins> frameextents::request(QWindow& window, int /*timeoutMs*/) {
    const auto hwnd = reinterpret_cast<HWND>(window.winId());
    RECT outer{};
    RECT client{};
    POINT clientOrigin{0, 0};
    if (!::GetWindowRect(hwnd, &outer) || !::GetClientRect(hwnd, &client) ||
        !::ClientToScreen(hwnd, &clientOrigin))
        return std::nullopt;
    const QMargins device(clientOrigin.x - outer.left, clientOrigin.y - outer.top,
                          outer.right - (clientOrigin.x + client.right),
                          outer.bottom - (clientOrigin.y + client.bottom));
    if (device.isNull()) return std::nullopt;
    // Qt places windows in device-independent pixels.
    const qreal ratio = window.devicePixelRatio();
    const auto scaled = [ratio](int pixels) { return static_cast<int>(std::lround(pixels / ratio)); };
    return QMargins(scaled(device.left()), scaled(device.top()), scaled(device.right()),
                    scaled(device.bottom()));
}
