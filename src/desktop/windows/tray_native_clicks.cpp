#include "desktop/tray_native_clicks.h"

#include <QCoreApplication>

#include <windows.h>

namespace {
// Qt's callback message for its notification-area icons.
constexpr UINT kQtTrayCallback = WM_APP + 101;
}  // namespace

NativeDoubleClicks::NativeDoubleClicks(std::function<void()> onDoubleClick)
    : onDoubleClick_(std::move(onDoubleClick)) {
    if (QCoreApplication::instance()) QCoreApplication::instance()->installNativeEventFilter(this);
}

NativeDoubleClicks::~NativeDoubleClicks() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool NativeDoubleClicks::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "windows_generic_MSG") return false;
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message != kQtTrayCallback) return false;
    const UINT mouse = LOWORD(msg->lParam);
    if ((mouse == WM_RBUTTONDBLCLK || mouse == WM_MBUTTONDBLCLK) && onDoubleClick_) onDoubleClick_();
    // Qt goes on with its own handling (its menu on the right button's up).
    return false;
}

std::unique_ptr<NativeDoubleClicks> makeNativeDoubleClicks(std::function<void()> onDoubleClick) {
    return std::make_unique<NativeDoubleClicks>(std::move(onDoubleClick));
}
