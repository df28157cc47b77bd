#include "tray/tray_host.h"

#include <gtest/gtest.h>

namespace {

TrayHostProbes probes(bool statusNotifier, bool xembed) {
    return {.statusNotifierHost = [statusNotifier] { return statusNotifier; },
            .xembedTray = [xembed] { return xembed; },
            .notificationArea = nullptr};
}

// Qt speaks to the bus when a host is registered there, whatever the X server offers.
TEST(TrayHost, TheSessionBusWinsOverTheXEmbedTray) {
    EXPECT_EQ(detectTrayHost(probes(true, true)), TrayHostKind::StatusNotifier);
    EXPECT_EQ(detectTrayHost(probes(true, false)), TrayHostKind::StatusNotifier);
    EXPECT_EQ(detectTrayHost(probes(false, true)), TrayHostKind::XEmbed);
    EXPECT_EQ(detectTrayHost(probes(false, false)), TrayHostKind::None);
    // Not on X11: there is no XEmbed probe at all.
    EXPECT_EQ(
        detectTrayHost(
            {.statusNotifierHost = [] { return false; }, .xembedTray = nullptr, .notificationArea = nullptr}),
        TrayHostKind::None);
}

// Windows has only the shell's notification area, once its taskbar is up.
TEST(TrayHost, TheWindowsNotificationAreaIsFoundWhenTheTaskbarIsUp) {
    bool taskbarUp = false;
    const TrayHostProbes windows{.statusNotifierHost = nullptr,
                                 .xembedTray = nullptr,
                                 .notificationArea = [&taskbarUp] { return taskbarUp; }};
    EXPECT_EQ(detectTrayHost(windows), TrayHostKind::None);
    taskbarUp = true;
    EXPECT_EQ(detectTrayHost(windows), TrayHostKind::NotificationArea);
    // Its icon is a window of the program's own: a left click is not a double-click.
    EXPECT_EQ(reportFor(TrayHostKind::NotificationArea, TrayActivation::Trigger), TrayReport::None);
    EXPECT_EQ(reportFor(TrayHostKind::NotificationArea, TrayActivation::DoubleClick),
              TrayReport::DoubleClick);
    EXPECT_EQ(reportFor(TrayHostKind::NotificationArea, TrayActivation::Context), TrayReport::RightButtonUp);
}

TEST(TrayHost, ActivateOpensTheWindowOnlyOnAStatusNotifierHost) {
    EXPECT_EQ(reportFor(TrayHostKind::StatusNotifier, TrayActivation::Trigger), TrayReport::DoubleClick);
    EXPECT_EQ(reportFor(TrayHostKind::XEmbed, TrayActivation::Trigger), TrayReport::None);
}

TEST(TrayHost, TheOtherReportsAreTheSameOnBothKinds) {
    for (TrayHostKind kind : {TrayHostKind::XEmbed, TrayHostKind::StatusNotifier}) {
        EXPECT_EQ(reportFor(kind, TrayActivation::DoubleClick), TrayReport::DoubleClick);
        // A host's ContextMenu call, like a right click on our own X window, opens the popup.
        EXPECT_EQ(reportFor(kind, TrayActivation::Context), TrayReport::RightButtonUp);
        EXPECT_EQ(reportFor(kind, TrayActivation::MiddleClick), TrayReport::None);
        EXPECT_EQ(reportFor(kind, TrayActivation::Unknown), TrayReport::None);
    }
}

}  // namespace
