#include "tray/tray_host.h"

#include <gtest/gtest.h>

namespace {

TrayHostProbes probes(bool statusNotifier, bool xembed) {
    return {.statusNotifierHost = [statusNotifier] { return statusNotifier; },
            .xembedTray = [xembed] { return xembed; }};
}

// Qt speaks to the bus when a host is registered there, whatever the X server offers.
TEST(TrayHost, TheSessionBusWinsOverTheXEmbedTray) {
    EXPECT_EQ(detectTrayHost(probes(true, true)), TrayHostKind::StatusNotifier);
    EXPECT_EQ(detectTrayHost(probes(true, false)), TrayHostKind::StatusNotifier);
    EXPECT_EQ(detectTrayHost(probes(false, true)), TrayHostKind::XEmbed);
    EXPECT_EQ(detectTrayHost(probes(false, false)), TrayHostKind::None);
    // Not on X11: there is no XEmbed probe at all.
    EXPECT_EQ(detectTrayHost({.statusNotifierHost = [] { return false; }, .xembedTray = nullptr}),
              TrayHostKind::None);
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
