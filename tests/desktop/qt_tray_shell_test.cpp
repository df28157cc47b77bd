#include "desktop/qt_tray_shell.h"

#include "desktop/balloon_window.h"
#include "desktop/linux/desktop_notices.h"
#include "desktop/notifications_stand_in.h"
#include "support/private_bus.h"
#include "tray/tray_icon.h"

#include <QMenu>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

namespace {

// Notices must not reach the desktop of whoever runs the tests.
[[maybe_unused]] const bool kNoSessionBus =
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=/nonexistent/torvik-test-bus"));

// State images that remember which index was asked for last.
struct Images {
    int lastIndex = -1;
    QtTrayShell::ImageSource source() {
        return [this](int index) {
            lastIndex = index;
            QPixmap pixmap(16, 16);
            pixmap.fill(QColor::fromHsv(index * 40, 255, 255));
            return QIcon(pixmap);
        };
    }
};

NotifyRecord recordWith(std::uint32_t extraFlags) {
    NotifyRecord record;
    record.flags |= extraFlags;
    record.iconIndex = 3;
    record.tip = QStringLiteral("Torvik Master");
    record.infoTitle = QStringLiteral("Torvik Status");
    record.info = QStringLiteral("Device opened");
    record.infoFlags = TBalloonFlags::bfInfo;
    record.timeoutMs = 40;
    return record;
}

TEST(QtTrayShell, AddWaitsForATrayThatComesLate) {
    Images images;
    QtTrayShell shell(images.source(), 5000);
    int asked = 0;
    shell.setProbes({.statusNotifierHost = nullptr,
                     .xembedTray = [&asked] { return ++asked >= 3; },
                     .notificationArea = nullptr});
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
    EXPECT_EQ(asked, 3);
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(images.lastIndex, 3);
}

TEST(QtTrayShell, AddGivesUpWhenNoTrayAppearsInTime) {
    Images images;
    QtTrayShell shell(images.source(), 300);
    shell.setProbes({.statusNotifierHost = [] { return false; },
                     .xembedTray = [] { return false; },
                     .notificationArea = nullptr});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(shell.add(recordWith(0)));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 2000);
}

// Plain GNOME: no tray, but a notification daemon. The user is told what to
// turn on before add() gives up, so before the program's error box.
TEST(QtTrayShell, WithoutATrayTheDesktopIsToldWhichExtensionIsMissing) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "no private dbus-daemon";
    NotificationsStandIn daemon;
    ASSERT_TRUE(daemon.serve(bus.connect(QStringLiteral("daemon"))));
    Images images;
    QtTrayShell shell(images.source(), 100);
    shell.setProbes({.statusNotifierHost = [] { return false; },
                     .xembedTray = [] { return false; },
                     .notificationArea = nullptr});
    shell.setNotices(std::make_unique<DesktopNotices>(bus.connect(QStringLiteral("program"))));

    EXPECT_FALSE(shell.add(recordWith(0)));
    ASSERT_EQ(daemon.calls().size(), 1);
    const NotifyCall& notice = daemon.calls().first();
    EXPECT_EQ(notice.summary, "Torvik Master");
    EXPECT_EQ(notice.body, QtTrayShell::trayMissingText());
    EXPECT_TRUE(notice.body.contains("\"AppIndicator and KStatusNotifierItem Support\""));
    EXPECT_TRUE(notice.body.contains("gnome-shell-extension-appindicator"));
    EXPECT_EQ(notice.expireMs, 0) << "the notice must stay until the user has read it";
}

TEST(QtTrayShell, RecordSetsImageAndTooltipOnlyWithItsFlag) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    shell.modify(recordWith(notify::NIF_TIP));
    EXPECT_EQ(images.lastIndex, 3);
    EXPECT_EQ(shell.trayIcon()->toolTip(), "Torvik Master");
    EXPECT_FALSE(shell.balloonPending());

    NotifyRecord withoutTip = recordWith(0);
    withoutTip.iconIndex = 0;
    shell.modify(withoutTip);
    EXPECT_EQ(images.lastIndex, 0);
    EXPECT_EQ(shell.trayIcon()->toolTip(), "");
}

TEST(QtTrayShell, BalloonKindsMapToMessageIcons) {
    EXPECT_EQ(QtTrayShell::messageIcon(TBalloonFlags::bfNone), QSystemTrayIcon::NoIcon);
    EXPECT_EQ(QtTrayShell::messageIcon(TBalloonFlags::bfInfo), QSystemTrayIcon::Information);
    EXPECT_EQ(QtTrayShell::messageIcon(TBalloonFlags::bfWarning), QSystemTrayIcon::Warning);
    EXPECT_EQ(QtTrayShell::messageIcon(TBalloonFlags::bfError), QSystemTrayIcon::Critical);
}

// The balloon's timer reports it timed out, so the icon drops its info flag and
// a later image change does not bring the balloon back.
TEST(QtTrayShell, BalloonTimesOutIntoTheIconsRecord) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    shell.setProbes(
        {.statusNotifierHost = nullptr, .xembedTray = [] { return true; }, .notificationArea = nullptr});
    TrayIcon icon(shell);
    connectTrayShell(shell, icon);
    icon.SetBalloonTimeout(40);
    icon.SetVisible(true);
    icon.SetBalloonHint(QStringLiteral("Device closed"));
    icon.SetBalloonFlags(TBalloonFlags::bfError);
    icon.ShowBalloonNotice();
    ASSERT_TRUE(icon.Record().has(notify::NIF_INFO));
    EXPECT_TRUE(shell.balloonPending());

    QSignalSpy timedOut(&shell, &QtTrayShell::balloonTimedOut);
    ASSERT_TRUE(timedOut.wait(2000));
    EXPECT_FALSE(icon.Record().has(notify::NIF_INFO));
    icon.SetIconIndex(0);
    EXPECT_FALSE(shell.balloonPending());
}

TEST(QtTrayShell, RemovingTheIconCancelsThePendingBalloon) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    shell.modify(recordWith(notify::NIF_INFO));
    ASSERT_TRUE(shell.balloonPending());
    shell.remove(recordWith(0));
    EXPECT_FALSE(shell.balloonPending());
    EXPECT_FALSE(shell.trayIcon()->isVisible());
}

TEST(QtTrayShell, MouseReportsReachTheIcon) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    TrayIcon icon(shell);
    connectTrayShell(shell, icon);
    QSignalSpy doubleClicks(&icon, &TrayIcon::dblClick);
    QSignalSpy popups(&icon, &TrayIcon::popupRequested);
    emit shell.doubleClicked();
    emit shell.rightButtonUp(QPoint(300, 12));
    EXPECT_EQ(doubleClicks.count(), 1);
    ASSERT_EQ(popups.count(), 1);
    EXPECT_EQ(popups.at(0).at(0).toPoint(), QPoint(300, 12));
}

TrayHostProbes hostOfKind(TrayHostKind kind) {
    return {.statusNotifierHost = [kind] { return kind == TrayHostKind::StatusNotifier; },
            .xembedTray = [kind] { return kind == TrayHostKind::XEmbed; },
            .notificationArea = nullptr};
}

// A sender whose every notice comes back undelivered, as without a daemon.
std::unique_ptr<DesktopNotices> noDaemon() {
    return std::make_unique<DesktopNotices>(QDBusConnection(QStringLiteral("no bus here")));
}

// Qt fixes the kind of tray at its first tray icon, so none may exist before a host does.
TEST(QtTrayShell, TheQtTrayIconIsCreatedOnlyOnceAHostIsThere) {
    Images images;
    QtTrayShell shell(images.source(), 150);
    shell.setProbes(hostOfKind(TrayHostKind::None));
    EXPECT_FALSE(shell.add(recordWith(notify::NIF_TIP)));
    EXPECT_EQ(shell.trayIcon(), nullptr);
    shell.setProbes(hostOfKind(TrayHostKind::StatusNotifier));
    EXPECT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
    ASSERT_NE(shell.trayIcon(), nullptr);
    EXPECT_EQ(shell.hostKind(), TrayHostKind::StatusNotifier);
}

TEST(QtTrayShell, ActivateOpensTheWindowOnlyOnAStatusNotifierHost) {
    for (TrayHostKind kind : {TrayHostKind::StatusNotifier, TrayHostKind::XEmbed}) {
        Images images;
        QtTrayShell shell(images.source(), 0);
        shell.setProbes(hostOfKind(kind));
        ASSERT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
        QSignalSpy doubleClicks(&shell, &QtTrayShell::doubleClicked);
        QSignalSpy menus(&shell, &QtTrayShell::rightButtonUp);
        auto* tray = const_cast<QSystemTrayIcon*>(shell.trayIcon());
        emit tray->activated(QSystemTrayIcon::Trigger);
        EXPECT_EQ(doubleClicks.size(), kind == TrayHostKind::StatusNotifier ? 1 : 0) << trayHostName(kind);
        emit tray->activated(QSystemTrayIcon::Context);
        EXPECT_EQ(menus.size(), 1) << trayHostName(kind);
    }
}

TEST(QtTrayShell, TheMenuBecomesTheItemsOwnOnlyOnAStatusNotifierHost) {
    for (TrayHostKind kind : {TrayHostKind::StatusNotifier, TrayHostKind::XEmbed}) {
        Images images;
        QMenu menu;
        QtTrayShell shell(images.source(), 0);
        shell.setProbes(hostOfKind(kind));
        ASSERT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
        shell.setContextMenu(&menu);
        // An XEmbed icon opens its popup itself at the pointer (rightButtonUp);
        // Qt would open the same menu a second time on the right button's press.
        EXPECT_EQ(shell.trayIcon()->contextMenu(), kind == TrayHostKind::StatusNotifier ? &menu : nullptr)
            << trayHostName(kind);
        EXPECT_TRUE(shell.trayIcon()->isVisible());
    }
}

// Without a daemon the notice shows as our own balloon next to a
// StatusNotifierItem, and the item keeps its image and tooltip.
TEST(QtTrayShell, AnUndeliveredNoticeShowsOurBalloonBesideAStatusNotifierItem) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    shell.setProbes(hostOfKind(TrayHostKind::StatusNotifier));
    shell.setNotices(noDaemon());
    ASSERT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
    NotifyRecord closed = recordWith(notify::NIF_TIP | notify::NIF_INFO);
    closed.info = QStringLiteral("Device closed");
    closed.infoFlags = TBalloonFlags::bfError;
    closed.timeoutMs = 3000;
    shell.modify(closed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell.fallbackBalloon() != nullptr; }, 2000));
    EXPECT_EQ(shell.trayIcon()->toolTip(), "Torvik Master");
    EXPECT_EQ(images.lastIndex, 3);
    EXPECT_EQ(shell.fallbackBalloon()->title(), "Torvik Status");
    EXPECT_EQ(shell.fallbackBalloon()->text(), "Device closed");
    shell.remove(closed);
    EXPECT_EQ(shell.fallbackBalloon(), nullptr);
}

TEST(QtTrayShell, AnUndeliveredNoticeOnAnXEmbedTrayIsLeftToQtsBalloon) {
    Images images;
    QtTrayShell shell(images.source(), 0);
    shell.setProbes(hostOfKind(TrayHostKind::XEmbed));
    shell.setNotices(noDaemon());
    ASSERT_TRUE(shell.add(recordWith(notify::NIF_TIP)));
    shell.modify(recordWith(notify::NIF_TIP | notify::NIF_INFO));
    QTest::qWait(100);
    EXPECT_EQ(shell.fallbackBalloon(), nullptr);
}

TEST(BalloonWindow, SitsInTheCornerNextToThePanel) {
    const QRect screen(0, 0, 1280, 800);
    const QSize size(200, 60);
    EXPECT_EQ(BalloonWindow::cornerPosition(screen, QRect(0, 32, 1280, 768), size), QPoint(1072, 40));
    EXPECT_EQ(BalloonWindow::cornerPosition(screen, QRect(0, 0, 1280, 768), size), QPoint(1072, 700));
}

}  // namespace
