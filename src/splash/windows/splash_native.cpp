#include "splash/splash_native.h"

#include <QWidget>

#include <windows.h>

void splash::keepOffTaskbarAndInactive(QWidget& window) {
    const auto hwnd = reinterpret_cast<HWND>(window.winId());
    const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, (ex | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW) & ~WS_EX_APPWINDOW);
}
