#include "tray/tray_icon.h"
#include "support/recording_tray_shell.h"

#include <gtest/gtest.h>

using Op = RecordingTrayShell::Op;

namespace {

struct TrayIconTest : ::testing::Test {
    RecordingTrayShell shell;
    TrayIcon icon{shell};
    void SetUp() override {
        icon.SetVisible(true);
        shell.clear();
    }
};

}  // namespace

TEST(TrayIconStart, AddsRecordWithStartValuesWhenMadeVisible) {
    RecordingTrayShell shell;
    TrayIcon icon(shell);
    EXPECT_TRUE(shell.requests().isEmpty()) << "nothing reaches the shell before the icon is visible";
    icon.SetVisible(true);
    ASSERT_EQ(shell.requests().size(), 1);
    const auto& req = shell.requests().front();
    EXPECT_EQ(req.op, Op::Add);
    EXPECT_EQ(req.record.flags, notify::NIF_MESSAGE | notify::NIF_ICON | notify::NIF_TIP);
    EXPECT_EQ(req.record.callbackMessage, 0x401u);
    EXPECT_EQ(req.record.iconIndex, 1);
    EXPECT_EQ(req.record.tip, "Torvik Master");
    EXPECT_EQ(req.record.infoTitle, "Torvik Status");
    EXPECT_EQ(req.record.timeoutMs, 3000u);
    EXPECT_EQ(icon.BalloonFlags(), TBalloonFlags::bfInfo);
    EXPECT_TRUE(icon.BalloonHint().isEmpty());
}

TEST(TrayIconStart, RefusedAddFailsWithTheShellMessage) {
    RecordingTrayShell shell;
    shell.setAcceptAdd(false);
    TrayIcon icon(shell);
    try {
        icon.SetVisible(true);
        FAIL() << "expected TrayIconError";
    } catch (const TrayIconError& e) {
        EXPECT_STREQ(e.what(), "Shell-Benachrichtigungssymbol kann nicht erstellt werden");
    }
    EXPECT_FALSE(icon.Visible());
}

TEST(TrayIconStart, DestroyingAVisibleIconRemovesIt) {
    RecordingTrayShell shell;
    {
        TrayIcon icon(shell);
        icon.SetVisible(true);
    }
    ASSERT_EQ(shell.requests().size(), 2);
    EXPECT_EQ(shell.requests().back().op, Op::Remove);
}

TEST_F(TrayIconTest, UnchangedIndexAndHintSendNothing) {
    icon.SetIconIndex(1);
    icon.SetBalloonHint(QString());
    EXPECT_TRUE(shell.requests().isEmpty());
    icon.SetIconIndex(0);
    icon.SetBalloonHint("Device closed");
    icon.SetBalloonHint("Device closed");
    ASSERT_EQ(shell.requests().size(), 2);
    EXPECT_EQ(shell.requests()[0].record.iconIndex, 0);
    EXPECT_EQ(shell.requests()[1].record.info, "Device closed");
}

TEST_F(TrayIconTest, BalloonFlagsTakeEffectOnlyAtTheNextNotice) {
    icon.SetBalloonFlags(TBalloonFlags::bfError);
    EXPECT_TRUE(shell.requests().isEmpty());
    icon.ShowBalloonNotice();
    ASSERT_EQ(shell.requests().size(), 1);
    const auto& rec = shell.requests()[0].record;
    EXPECT_TRUE(rec.has(notify::NIF_INFO));
    EXPECT_EQ(rec.infoFlags, TBalloonFlags::bfError);
}

TEST_F(TrayIconTest, InfoFlagStaysUntilTheShellReportsTheBalloonGone) {
    icon.SetBalloonHint("Device opened");
    icon.ShowBalloonNotice();
    icon.SetIconIndex(3);  // while the balloon is up: shown again with the new image
    EXPECT_TRUE(shell.requests().back().record.has(notify::NIF_INFO));
    icon.onBalloonTimedOut();
    icon.SetIconIndex(1);
    EXPECT_FALSE(shell.requests().back().record.has(notify::NIF_INFO));

    icon.ShowBalloonNotice();
    icon.onBalloonHidden();
    icon.SetIconIndex(0);
    EXPECT_FALSE(shell.requests().back().record.has(notify::NIF_INFO));
    EXPECT_EQ(shell.requests().back().record.flags & notify::NIF_ICON, notify::NIF_ICON);
}

TEST_F(TrayIconTest, SameBalloonTwiceShowsTwice) {
    for (int i = 0; i < 2; ++i) {
        icon.SetIconIndex(0);
        icon.SetBalloonHint("Device closed");
        icon.SetBalloonFlags(TBalloonFlags::bfError);
        icon.ShowBalloonNotice();
        icon.onBalloonTimedOut();
    }
    EXPECT_EQ(shell.balloons().size(), 2);
}

TEST_F(TrayIconTest, TextsAreCutToTheRecordLimits) {
    icon.SetBalloonHint(QString(300, u'x'));
    EXPECT_EQ(icon.Record().info.size(), 255);
    EXPECT_EQ(icon.BalloonHint().size(), 300);
    icon.SetHint(QString(200, u'h'));
    EXPECT_EQ(icon.Record().tip.size(), 127);
    icon.SetBalloonTitle(QString(100, u't'));
    EXPECT_EQ(icon.Record().infoTitle.size(), 63);
    // A surrogate pair straddling the limit is dropped whole.
    QString tip(126, u'a');
    tip += QString::fromUcs4(U"\U0001F600");
    icon.SetHint(tip);
    EXPECT_EQ(icon.Record().tip, QString(126, u'a'));
}

TEST_F(TrayIconTest, EmptyHintClearsTheTipFlag) {
    icon.SetHint(QString());
    EXPECT_FALSE(shell.requests().back().record.has(notify::NIF_TIP));
    icon.SetHint("Torvik Master");
    EXPECT_TRUE(shell.requests().back().record.has(notify::NIF_TIP));
}

TEST_F(TrayIconTest, ShellRestartReAddsTheCurrentRecord) {
    icon.SetIconIndex(3);
    icon.onShellRestarted();
    ASSERT_EQ(shell.requests().back().op, Op::Add);
    EXPECT_EQ(shell.requests().back().record.iconIndex, 3);
    icon.SetVisible(false);
    shell.clear();
    icon.onShellRestarted();
    EXPECT_TRUE(shell.requests().isEmpty()) << "a hidden icon is not re-added";
}

TEST_F(TrayIconTest, MouseReportsBecomeSignals) {
    int doubleClicks = 0;
    QList<QPoint> popups;
    QObject::connect(&icon, &TrayIcon::dblClick, [&] { ++doubleClicks; });
    QObject::connect(&icon, &TrayIcon::popupRequested, [&](QPoint p) { popups.append(p); });
    icon.onDoubleClick();
    icon.onRightButtonUp(QPoint(40, 700));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(popups, QList<QPoint>{QPoint(40, 700)});
}
