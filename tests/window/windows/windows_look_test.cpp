// The windows as Windows itself sees them (the real platform plugin): the
// main window has a taskbar button of its own and hides when closed or
// minimised, the splash never has one and is never activated.

#include "splash/splash_screen.h"
#include "window/window_fixture.h"

#include "native_window_probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>

namespace {

constexpr int kDeadlineMs = 30000;

template <typename Condition>
bool pumpUntil(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kDeadlineMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void* handleOf(QWidget& widget) {
    return reinterpret_cast<void*>(widget.winId());
}

using WindowsLookTest = WindowTest;
namespace nw = nativewindow;

TEST_F(WindowsLookTest, MainWindowHasItsOwnTaskbarButtonAndHidesOnCloseAndMinimise) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("windows"));
    showWindow();
    void* hwnd = handleOf(window());
    ASSERT_TRUE(pumpUntil([hwnd] { return nw::visible(hwnd); }));
    // An unowned window that is not a tool window gets a taskbar button.
    EXPECT_FALSE(nw::owned(hwnd));
    EXPECT_FALSE(nw::toolOrNoActivate(hwnd));

    nw::close(hwnd);
    EXPECT_TRUE(pumpUntil([hwnd] { return !nw::visible(hwnd); })) << "closing only hides";

    showWindow();
    ASSERT_TRUE(pumpUntil([hwnd] { return nw::visible(hwnd); }));
    nw::minimise(hwnd);
    EXPECT_TRUE(pumpUntil([hwnd] { return !nw::visible(hwnd); })) << "minimising hides too";
    EXPECT_TRUE(errors_.texts().isEmpty());
}

TEST(WindowsLook, SplashIsNeverActivatedHasNoTaskbarButtonAndFadesAsALayeredWindow) {
    // The splash deletes itself once it has faded out.
    QPointer<splash::SplashScreen> splash = new splash::SplashScreen;
    splash->showSplash();
    void* hwnd = handleOf(*splash);
    ASSERT_TRUE(pumpUntil([hwnd] { return nw::visible(hwnd); }));
    EXPECT_TRUE(nw::noActivate(hwnd)) << "no activation and, on Windows, no taskbar button";
    EXPECT_FALSE(nw::appWindow(hwnd));
    EXPECT_TRUE(nw::topmost(hwnd));
    EXPECT_FALSE(nw::foreground(hwnd));
    // The fade goes through the window's layered opacity.
    EXPECT_TRUE(pumpUntil([hwnd] {
        const auto alpha = nw::layeredAlpha(hwnd);
        return alpha && *alpha < 255;
    }));
    EXPECT_TRUE(pumpUntil([&splash] { return splash.isNull(); })) << "gone after its time";
}

}  // namespace
