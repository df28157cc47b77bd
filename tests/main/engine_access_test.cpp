// A simulator port that exists but refuses us for lack of permission is told
// to the user once per port, as a warning balloon and on stderr; a port that
// another program holds stays silent.
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

TEST_F(EngineAccessTest, HeldElsewhereOrUnplannedFailuresStaySilent) {
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
