// Right and middle double-clicks on the icon reach the program only as the
// shell's callback messages on Windows; the filter turns exactly those into
// the icon's double-click, once it is installed on the application.

#include "desktop/tray_native_clicks.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

constexpr UINT kCallback = WM_APP + 101;

MSG callback(UINT message, UINT mouse) {
    MSG msg{};
    msg.message = message;
    msg.lParam = MAKELPARAM(mouse, 0);
    return msg;
}

TEST(TrayNativeClicks, RightAndMiddleDoubleClicksOnlyFromTheIconsCallback) {
    int doubleClicks = 0;
    const auto filter = makeNativeDoubleClicks([&doubleClicks] { ++doubleClicks; });
    ASSERT_NE(filter, nullptr);
    const auto feed = [&filter](MSG msg, const char* type = "windows_generic_MSG") {
        qintptr result = 0;
        EXPECT_FALSE(filter->nativeEventFilter(type, &msg, &result)) << "Qt keeps its own handling";
    };
    feed(callback(kCallback, WM_RBUTTONDBLCLK));
    feed(callback(kCallback, WM_MBUTTONDBLCLK));
    EXPECT_EQ(doubleClicks, 2);
    // Qt reports the left one itself; single clicks and other messages are no double-click.
    feed(callback(kCallback, WM_LBUTTONDBLCLK));
    feed(callback(kCallback, WM_RBUTTONUP));
    feed(callback(kCallback, WM_MBUTTONUP));
    feed(callback(WM_APP + 100, WM_RBUTTONDBLCLK));
    feed(callback(kCallback, WM_RBUTTONDBLCLK), "windows_dispatcher_MSG");
    EXPECT_EQ(doubleClicks, 2);
}

TEST(TrayNativeClicks, MessagesPostedToTheProgramReachTheFilter) {
    int doubleClicks = 0;
    const auto filter = makeNativeDoubleClicks([&doubleClicks] { ++doubleClicks; });
    HWND window = ::CreateWindowExW(0, L"STATIC", L"icon stand-in", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(::PostMessageW(window, kCallback, 0, MAKELPARAM(WM_MBUTTONDBLCLK, 0)));
    QElapsedTimer clock;
    clock.start();
    while (doubleClicks == 0 && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(doubleClicks, 1);
    ::DestroyWindow(window);
}

}  // namespace
