#include "engine_fixture.h"

TEST_F(EngineTest, EachMenuCommandWritesItsExactLine) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->clearWritten(id);
    const std::pair<int, QByteArray> expected[] = {
        {0, "SP0\r"}, {1, "SP1\r"}, {2, "SP2\r"}, {3, "SP3\r"}, {4, "SP4\r"}, {5, "SP5\r"}, {10, "reset\r"},
    };
    for (const auto& [tag, line] : expected) {
        engine->SetProtocol(tag);
        EXPECT_EQ(driver->written(id), line) << "tag " << tag;
        driver->clearWritten(id);
    }
    engine->SetProtocol(3);
    EXPECT_EQ(driver->written(id), QByteArray("\x53\x50\x33\x0D"));
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(EngineTest, MonitorSwitchWithLinkTogglesStateImagesAndCommand) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->clearWritten(id);
    int imageSignals = 0;
    QObject::connect(engine.get(), &TfMain::monitorImageIndexChanged, [&](int) { ++imageSignals; });

    engine->SetProtocol(11);
    EXPECT_FALSE(engine->MonitorOn);
    EXPECT_EQ(driver->written(id), QByteArray("MON0\r"));
    EXPECT_EQ(engine->MonitorImageIndex(), 5);
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 3);

    driver->clearWritten(id);
    engine->SetProtocol(11);
    EXPECT_TRUE(engine->MonitorOn);
    EXPECT_EQ(driver->written(id), QByteArray("MON1\r"));
    EXPECT_EQ(engine->MonitorImageIndex(), 6);
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1);
    EXPECT_EQ(imageSignals, 2);
}

TEST_F(EngineTest, CommandWithoutLinkShowsTheMessageAndChangesNothing) {
    engine->Timer1Timer();  // no simulator: closed state shown
    shell.clear();
    engine->SetProtocol(4);
    EXPECT_EQ(errors.titles(), QStringList{"Fehler"});
    EXPECT_EQ(errors.texts(), QStringList{"Torvik not connected."});
    EXPECT_TRUE(engine->MonitorOn);
    EXPECT_EQ(engine->MonitorImageIndex(), 6);
    EXPECT_TRUE(shell.requests().isEmpty());
}

TEST_F(EngineTest, FailedWriteNeverClosesTheLink) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->failNext(SimulatedDriver::Call::Write, FT_IO_ERROR, 1000);
    for (int i = 0; i < 3; ++i) engine->SetProtocol(1);
    EXPECT_NE(D2XXUnit::IoStatus.load(), FT_OK);
    pumpFor(50);  // idle cycles: no read has replaced the writes' status
    EXPECT_TRUE(engine->Connected.load());

    // A write fails during every hand-off, after the reader's read and before
    // its next cycle: the failure stays in IoStatus while the reader goes on.
    int handOffs = 0;
    const auto failingWrite = QObject::connect(&log, &LogModel::appended, [&] {
        ++handOffs;
        engine->SetProtocol(1);
    });
    for (const char* batch : {"OK\r", "a", "b", "c"}) {
        driver->feed(id, batch);
        ASSERT_TRUE(pumpUntil(
            [&] { return driver->queued(id) == 0 && engine->WorkerThread1.PendingUiCalls() == 0; }));
        pumpFor(25);  // the cycles after the hand-off
        ASSERT_NE(D2XXUnit::IoStatus.load(), FT_OK);
    }
    QObject::disconnect(failingWrite);
    EXPECT_EQ(handOffs, 4);
    EXPECT_TRUE(engine->Connected.load());
    EXPECT_TRUE(engine->WorkerThread1.IsRunning());
    EXPECT_EQ(logText(), "OK\nabc");
    EXPECT_TRUE(errors.texts().isEmpty());
}
