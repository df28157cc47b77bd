#include "native_window_probe.h"

#include <windows.h>

namespace nativewindow {
namespace {

HWND h(void* hwnd) {
    return static_cast<HWND>(hwnd);
}
LONG_PTR ex(void* hwnd) {
    return ::GetWindowLongPtrW(h(hwnd), GWL_EXSTYLE);
}

}  // namespace

bool visible(void* hwnd) {
    return ::IsWindowVisible(h(hwnd)) != 0;
}
bool owned(void* hwnd) {
    return ::GetWindow(h(hwnd), GW_OWNER) != nullptr;
}
bool toolOrNoActivate(void* hwnd) {
    return (ex(hwnd) & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) != 0;
}
bool noActivate(void* hwnd) {
    return (ex(hwnd) & WS_EX_NOACTIVATE) != 0;
}
bool appWindow(void* hwnd) {
    return (ex(hwnd) & WS_EX_APPWINDOW) != 0;
}
bool topmost(void* hwnd) {
    return (ex(hwnd) & WS_EX_TOPMOST) != 0;
}
bool foreground(void* hwnd) {
    return ::GetForegroundWindow() == h(hwnd);
}

std::optional<int> layeredAlpha(void* hwnd) {
    BYTE alpha = 255;
    DWORD flags = 0;
    if (!(ex(hwnd) & WS_EX_LAYERED) || !::GetLayeredWindowAttributes(h(hwnd), nullptr, &alpha, &flags) ||
        !(flags & LWA_ALPHA))
        return std::nullopt;
    return alpha;
}

void close(void* hwnd) {
    ::SendMessageW(h(hwnd), WM_CLOSE, 0, 0);
}
void minimise(void* hwnd) {
    ::SendMessageW(h(hwnd), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

}  // namespace nativewindow
