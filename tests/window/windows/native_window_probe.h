#pragma once
// What Windows itself says about a window, for the tests; windows.h stays in
// its own file, since its DWORD and ULONG clash with the driver API's.

#include <optional>

namespace nativewindow {

bool visible(void* hwnd);
bool owned(void* hwnd);
bool toolOrNoActivate(void* hwnd);  // WS_EX_TOOLWINDOW or WS_EX_NOACTIVATE
bool noActivate(void* hwnd);        // WS_EX_NOACTIVATE
bool appWindow(void* hwnd);         // WS_EX_APPWINDOW
bool topmost(void* hwnd);           // WS_EX_TOPMOST
bool foreground(void* hwnd);
// The layered window's alpha, when it is a layered window with one.
std::optional<int> layeredAlpha(void* hwnd);
void close(void* hwnd);     // WM_CLOSE, as the title bar's button sends it
void minimise(void* hwnd);  // WM_SYSCOMMAND SC_MINIMIZE, as its minimise button does

}  // namespace nativewindow
