#include "desktop/qt_popup_menu.h"
#include "logview/log_view.h"
#include "splash/splash_screen.h"
#include "window/main_window_status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

TEST_F(WindowTest, StartsHiddenWithOnlyTheTrayIcon) {
    EXPECT_FALSE(window().isVisible());
    ASSERT_FALSE(shell_.requests().isEmpty());
    const auto& add = shell_.requests().first();
    EXPECT_EQ(add.op, RecordingTrayShell::Op::Add);
    EXPECT_EQ(add.record.tip, "Torvik Master");
    EXPECT_TRUE(add.record.has(notify::NIF_TIP));
}

TEST_F(WindowTest, FirstShowingCentresAndLaterShowingsKeepThePlace) {
    showWindow();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isMinimized());
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window().frameGeometry();
    // The frame, whatever the platform draws, is centred to the pixel.
    EXPECT_EQ(frame.left(), std::max(0, (work.width() - frame.width()) / 2));
    EXPECT_EQ(frame.top(), std::max(0, (work.height() - frame.height()) / 2));

    window().move(17, 23);
    window().close();
    QApplication::processEvents();
    ASSERT_FALSE(window().isVisible());
    showWindow();
    EXPECT_EQ(window().pos(), QPoint(17, 23));
}

TEST_F(WindowTest, CloseBoxHidesAndOpenBringsBackTheLog) {
    showWindow();
    window().logModel().append(u"OK PROTOCOL 3 ISO 9141-2\r");
    const qsizetype lines = window().logModel().lineCount();

    EXPECT_FALSE(window().close());
    QApplication::processEvents();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(window().ApplicationMinimized());

    // While hidden the log keeps filling.
    window().logModel().append(u"OK RESET\r");
    window().engine().TrayIcon1.onDoubleClick();
    QApplication::processEvents();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isMinimized());
    EXPECT_FALSE(window().ApplicationMinimized());
    EXPECT_EQ(window().logModel().lineCount(), lines + 1);
    EXPECT_EQ(window().logModel().line(0), "OK PROTOCOL 3 ISO 9141-2");
}

TEST_F(WindowTest, MinimiseBoxHidesLikeTheCloseBox) {
    showWindow();
    window().setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY_WITH_TIMEOUT(!window().isVisible(), 2000);
    EXPECT_TRUE(window().ApplicationMinimized());
    // A second minimise request while minimised changes nothing.
    window().ApplicationMinimize();
    EXPECT_FALSE(window().isVisible());

    window().ShowMainForm();
    QApplication::processEvents();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isMinimized());
}

TEST_F(WindowTest, ShowMainFormReturnsAMaximisedWindowToNormal) {
    showWindow();
    window().showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window().isMaximized());
    window().ShowMainForm();
    QApplication::processEvents();
    EXPECT_FALSE(window().isMaximized());
    EXPECT_TRUE(window().isVisible());
}

TEST_F(WindowTest, RightClickOpensTheMenuAtThePointerAndDismissingDoesNothing) {
    window().engine().TrayIcon1.onRightButtonUp(QPoint(120, 90));
    QApplication::processEvents();
    ASSERT_TRUE(window().popupMenu().isVisible());
    EXPECT_EQ(window().popupMenu().pos(), QPoint(120, 90));
    window().popupMenu().hide();
    QApplication::processEvents();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(errors_.count(), 0);
}

TEST_F(WindowTest, MenuCommandsWithoutALinkBringTheNotConnectedMessage) {
    window().popupMenu().item("ISO914121")->trigger();
    ASSERT_EQ(errors_.count(), 1);
    EXPECT_EQ(errors_.titles().at(0), "Fehler");
    EXPECT_EQ(errors_.texts().at(0), "Torvik not connected.");

    // The monitor switch flips its image even so; the tray image stays.
    const int trayImage = window().engine().TrayIcon1.IconIndex();
    QAction* monitor = window().popupMenu().item("Monitoronoff1");
    EXPECT_EQ(window().popupMenu().itemImage(monitor), 6);
    monitor->trigger();
    EXPECT_EQ(window().popupMenu().itemImage(monitor), 5);
    monitor->trigger();
    EXPECT_EQ(window().popupMenu().itemImage(monitor), 6);
    EXPECT_EQ(window().engine().TrayIcon1.IconIndex(), trayImage);
    EXPECT_EQ(errors_.count(), 3);
}

TEST_F(WindowTest, LinkStateReachesStatusBarMenuAndTray) {
    const auto bridge = driver_->addBridge("TORVIK ECU SIMULATOR");
    window().engine().Timer1Timer();
    EXPECT_EQ(window().statusBar().panelText(0), "Opened");
    EXPECT_EQ(window().engine().TrayIcon1.IconIndex(), 1);
    ASSERT_TRUE(driver_->waitForWritten(bridge, 5, 2000));
    EXPECT_EQ(driver_->written(bridge), QByteArray("MON1\r"));

    window().popupMenu().item("Monitoronoff1")->trigger();
    EXPECT_EQ(window().popupMenu().itemImage(window().popupMenu().item("Monitoronoff1")), 5);
    EXPECT_EQ(window().engine().TrayIcon1.IconIndex(), 3);
    window().popupMenu().item("Reset1")->trigger();
    EXPECT_EQ(driver_->written(bridge), QByteArray("MON1\rMON0\rreset\r"));

    // Unplugged: the reader closes the link and the window shows it.
    driver_->unplug(bridge);
    QTRY_COMPARE_WITH_TIMEOUT(window().statusBar().panelText(0), QString("Closed"), 3000);
    EXPECT_EQ(window().engine().TrayIcon1.IconIndex(), 0);
    EXPECT_EQ(errors_.count(), 0);
}

TEST_F(WindowTest, ClearAndSaveButtonsActOnTheLog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("log.txt");
    window().saveDialog().setChooser([path](QWidget*, const QString&) { return path; });
    window().logModel().append(u"OK MONITOR ON  \r7E8 04 41 0C 1A F8\r");
    showWindow();

    QTest::mouseClick(&window().saveButton(), Qt::LeftButton);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    // Trailing blanks go; every line ends in CR LF (the log's open last line too).
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.startsWith("OK MONITOR ON\r\n7E8 04 41 0C 1A F8\r\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\r\n"));

    QTest::mouseClick(&window().clearButton(), Qt::LeftButton);
    ASSERT_LE(window().logModel().lineCount(), 1);
    if (window().logModel().lineCount() == 1) {
        EXPECT_EQ(window().logModel().line(0), "");
    }
    window().logModel().append(u"OK RESET\r");
    EXPECT_EQ(window().logModel().line(0), "OK RESET");
}

class ExitTest : public WindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ExitTest, ExitEndsTheEventLoopWhetherTheWindowIsShownOrHidden) {
    if (GetParam()) showWindow();
    QTimer::singleShot(0, &window(), [this] { window().popupMenu().item("N3")->trigger(); });
    bool quitByExit = true;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&quitByExit] {
        quitByExit = false;
        QCoreApplication::exit(1);
    });
    safety.start(3000);
    QApplication::exec();
    EXPECT_TRUE(quitByExit);
    // Exit does not pass through the window's close check.
    EXPECT_FALSE(window().ApplicationMinimized());
}

INSTANTIATE_TEST_SUITE_P(WindowShown, ExitTest, ::testing::Bool());

TEST(WindowWithoutTray, BuildingFailsWhenTheShellRefusesTheIcon) {
    RecordingTrayShell shell;
    shell.setAcceptAdd(false);
    try {
        TfMainWindow window(
            TfMainWindow::Setup{shell, testImage, QIcon(), TfMain::Options{.runTimer = false}});
        FAIL() << "the window was built without a tray icon";
    } catch (const TrayIconError& error) {
        EXPECT_STREQ(error.what(), "Shell-Benachrichtigungssymbol kann nicht erstellt werden");
    }
}

}  // namespace

namespace {

// The splash comes up once the window is built; opening the window meanwhile
// leaves it up, and a window that goes early takes it along.
TEST(WindowSplash, ShowsOverTheHiddenWindowAndGoesWithIt) {
    RecordingTrayShell shell;
    QPointer<QWidget> splash;
    {
        TfMainWindow window(
            TfMainWindow::Setup{shell, testImage, QIcon(), TfMain::Options{.runTimer = false}, true});
        splash = window.splashScreen();
        ASSERT_FALSE(splash.isNull());
        EXPECT_TRUE(splash->isVisible());
        EXPECT_FALSE(window.isVisible());
        window.ShowMainForm();
        QApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        ASSERT_FALSE(splash.isNull());
        EXPECT_TRUE(splash->isVisible());
    }
    EXPECT_TRUE(splash.isNull());
}

}  // namespace
