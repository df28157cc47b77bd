#include "tray/qt_tray_shell.h"

#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

namespace {

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
    shell.setProbes({.statusNotifierHost = nullptr, .xembedTray = [&asked] { return ++asked >= 3; }});
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
    shell.setProbes({.statusNotifierHost = [] { return false; }, .xembedTray = [] { return false; }});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(shell.add(recordWith(0)));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 2000);
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
    shell.setProbes({.statusNotifierHost = nullptr, .xembedTray = [] { return true; }});
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

}  // namespace
