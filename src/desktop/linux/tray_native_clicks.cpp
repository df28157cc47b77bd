#include "desktop/tray_native_clicks.h"

NativeDoubleClicks::NativeDoubleClicks(std::function<void()> onDoubleClick)
    : onDoubleClick_(std::move(onDoubleClick)) {}

NativeDoubleClicks::~NativeDoubleClicks() = default;

bool NativeDoubleClicks::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

std::unique_ptr<NativeDoubleClicks> makeNativeDoubleClicks(std::function<void()>) {
    return nullptr;
}
