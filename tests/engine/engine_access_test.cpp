// Why the link stays closed is told to the user once per port, as a warning
// balloon and on stderr: a port that refuses us for lack of permission, a port
// that another program holds (named where the system shows it), and a
// "TORVIK" bridge that has no serial port at all.
#include "engine_fixture.h"

namespace {

const QString kRefusedUsb0 =
    QStringLiteral("No permission to open /dev/ttyUSB0: see 'Device access' in the README");

class EngineAccessTest : public EngineTest {
protected:
    // Runs `ticks` watchdog ticks and returns what they wrote to stderr.
    std::string tick(int ticks) {
        testing::internal::CaptureStderr();
        for (int i = 0; i < ticks; ++i) engine->Timer1Timer();
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(EngineAccessTest, RefusedPortIsAnnouncedOnceAsWarningAndOnStderr) {
    const auto id = driver->addBridge("TORVIK ECU SIMULATOR");
    driver->setPermissionDenied(id, "/dev/ttyUSB0");
    shell.clear();

    EXPECT_EQ(tick(3), kRefusedUsb0.toStdString() + "\n");
    EXPECT_EQ(balloons(), QStringList{kRefusedUsb0 + "/2"}) << "one balloon of the warning kind";
    ASSERT_FALSE(shell.balloons().isEmpty());
    EXPECT_EQ(shell.balloons().front().infoTitle, QStringLiteral("Torvik Status"));
    // The watchdog keeps trying, and the link stays closed.
    int opens = 0;
    for (const auto& call : driver->calls()) opens += call == "open TORVIK ECU SIMULATOR";
    EXPECT_EQ(opens, 3);
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_FALSE(engine->WorkerThread1.IsRunning());

    // Access granted (udev rule, group): the link opens as ever.
    driver->setPermissionDenied(id, "");
    EXPECT_TRUE(openLink());
    EXPECT_EQ(balloons().last(), kOpenedBalloon);
}

TEST_F(EngineAccessTest, EachRefusedPortIsAnnouncedOncePerRun) {
    const auto id = driver->addBridge("TORVIK");
    driver->setPermissionDenied(id, "/dev/ttyUSB0");
    shell.clear();
    EXPECT_EQ(tick(2), kRefusedUsb0.toStdString() + "\n");

    // The bridge comes back on another node: that one is new to the user.
    driver->setPermissionDenied(id, "/dev/ttyACM1");
    EXPECT_EQ(tick(2), "No permission to open /dev/ttyACM1: see 'Device access' in the README\n");
    // And back on the first: already said in this run.
    driver->setPermissionDenied(id, "/dev/ttyUSB0");
    EXPECT_EQ(tick(2), "");
    EXPECT_EQ(balloons().size(), 2);
}

TEST_F(EngineAccessTest, PortInUseIsAnnouncedOncePerPortWithItsHolder) {
    const auto id = driver->addBridge("TORVIK");
    driver->setHeldElsewhere(id, true, "/dev/ttyUSB0", "cutecom (pid 4711)");
    shell.clear();
    const std::string usb0 =
        "/dev/ttyUSB0 is in use by cutecom (pid 4711): see 'When the icon stays red' in the README";
    EXPECT_EQ(tick(3), usb0 + "\n");
    EXPECT_EQ(balloons(), QStringList{QString::fromStdString(usb0) + "/2"});
    EXPECT_FALSE(engine->Connected.load());
    // Where the system does not show the holder, the program is not named.
    driver->setHeldElsewhere(id, true, "/dev/ttyACM0");
    EXPECT_EQ(tick(2),
              "/dev/ttyACM0 is in use by another program: see 'When the icon stays red' in the README\n");
    // A lack of permission on a port already told as in use is news.
    driver->setHeldElsewhere(id, false);
    driver->setPermissionDenied(id, "/dev/ttyUSB0");
    EXPECT_EQ(tick(1), kRefusedUsb0.toStdString() + "\n");
    driver->setPermissionDenied(id, "");
    EXPECT_TRUE(openLink());
}

TEST_F(EngineAccessTest, TorvikBridgeWithoutAPortIsAnnouncedOnceWhenItStaysSo) {
    const std::string told =
        "USB device 1-1.4 (TORVIK ECU SIMULATOR) has no serial port: another driver has it or "
        "the USB-serial driver is missing; see 'When the icon stays red' in the README";
    // A bridge just plugged in, whose port comes a moment later, is not told.
    driver->setPortlessBridges({{"1-1.4", "TORVIK ECU SIMULATOR"}, {"1-2", "USB Mouse"}});
    EXPECT_EQ(tick(1), "");
    driver->setPortlessBridges({});
    EXPECT_EQ(tick(1), "");
    shell.clear();
    driver->setPortlessBridges({{"1-2", "USB Mouse"}, {"1-1.4", "TORVIK ECU SIMULATOR"}});
    EXPECT_EQ(tick(1), "");
    EXPECT_EQ(tick(3), told + "\n") << "told at the second tick in a row, and only once";
    EXPECT_EQ(balloons(), QStringList{QString::fromStdString(told) + "/2"})
        << "other USB devices are no bridges";
}

TEST_F(EngineAccessTest, HeldElsewhereWithoutANodeOrUnplannedFailuresStaySilent) {
    // The vendor's library says only that the open failed.
    const auto id = driver->addBridge("TORVIK");
    driver->setHeldElsewhere(id, true);
    shell.clear();
    EXPECT_EQ(tick(2), "");
    // Nor does a failure of another kind.
    driver->setHeldElsewhere(id, false);
    driver->failNext(SimulatedDriver::Call::Open, FT_IO_ERROR, 2);
    EXPECT_EQ(tick(2), "");
    EXPECT_TRUE(shell.requests().isEmpty());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1);
}

TEST_F(EngineAccessTest, DriverWithoutItsLibraryIsToldOnceAfterTheClosedState) {
    const std::string reason = "The USB bridge's driver library FTD2XX.DLL is not installed";
    driver->setUnavailableReason(reason);
    shell.clear();
    EXPECT_EQ(tick(3), reason + "\n");
    // The closed state first, then the reason, which stays up; nothing more on later ticks.
    EXPECT_EQ(balloons(), (QStringList{kClosedBalloon, QString::fromStdString(reason) + "/2"}));
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0);

    // A driver that works says nothing, and the link opens as ever.
    driver->setUnavailableReason("");
    driver->addBridge("TORVIK");
    EXPECT_TRUE(openLink());
    EXPECT_EQ(tick(1), "");
}

}  // namespace
