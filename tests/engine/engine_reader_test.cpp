#include "engine_fixture.h"

#include <atomic>

TEST_F(EngineTest, ReceivedBytesReachTheLogByteForByte) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->feed(id, QByteArray("41 0C 1A F8\r\n>", 14));
    ASSERT_TRUE(pumpUntil([&] { return logText().endsWith(u'>'); }));
    driver->feed(id, QByteArray("a\0b\x80\tc", 6));
    const QString expected =
        QStringLiteral("41 0C 1A F8\n\n>a") + QChar(0) + QStringView(u"b\u20AC    c").toString();
    ASSERT_TRUE(pumpUntil([&] { return logText() == expected; })) << logText().toStdString();
}

TEST_F(EngineTest, IdleLinkHandsNothingOver) {
    driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    int appends = 0;
    QObject::connect(&log, &LogModel::appended, [&] { ++appends; });
    pumpFor(100);
    EXPECT_EQ(appends, 0);
    EXPECT_TRUE(engine->RxText.isEmpty());
}

TEST_F(EngineTest, OnlyBytesAfterTheOpensPurgeAreHandedOver) {
    const auto id = driver->addBridge("TORVIK");
    driver->feed(id, "stale bytes");
    ASSERT_TRUE(openLink());
    driver->feed(id, "fresh");
    ASSERT_TRUE(pumpUntil([&] { return logText() == "fresh"; })) << logText().toStdString();
}

TEST_F(EngineTest, UnplugRightAfterABatchStillGivesOneClosedNotice) {
    // The unplug lands while the reader is in its hand-off, so its next query
    // fails with the last batch's count still on record.
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    QObject::connect(&log, &LogModel::appended, [&] { driver->unplug(id); });
    shell.clear();
    driver->feed(id, "last words\r");
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_EQ(logText(), "last words\n");
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon}) << "one unplug, one closed notice";
}

TEST_F(EngineTest, UnplugClosesOnceEndsTheReaderAndReplugReopens) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    engine->SetProtocol(11);  // monitor off: must survive the reconnection
    driver->feed(id, "before\r");
    ASSERT_TRUE(pumpUntil([&] { return log.lineCount() == 2; }));
    pumpFor(50);  // an idle cycle: after the failed query nothing is left to read
    shell.clear();

    driver->unplug(id);
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0);
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon}) << "one failing call, one closed notice";
    EXPECT_EQ(engine->StatusPanelText(), "Closed");
    EXPECT_EQ(engine->MonitorImageIndex(), 5) << "the close leaves the menu image alone";
    EXPECT_EQ(driver->openHandleCount(), 0) << "the dead handle goes back at the close, not at the next open";

    // Ticks while unplugged stay silent: the icon already shows the closed link.
    shell.clear();
    engine->Timer1Timer();
    EXPECT_TRUE(shell.requests().isEmpty());

    driver->replug(id);
    driver->clearWritten(id);
    ASSERT_TRUE(openLink());
    EXPECT_EQ(driver->written(id), QByteArray("MON0\r"));
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 3);
    driver->feed(id, "after");
    ASSERT_TRUE(pumpUntil([&] { return logText() == "before\nafter"; })) << logText().toStdString();
    EXPECT_EQ(driver->openHandleCount(), 1);
}

TEST_F(EngineTest, NoHandleIsLeftOpenAfterAnyOfManyUnplugs) {
    const auto id = driver->addBridge("TORVIK");
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(openLink()) << round;
        EXPECT_EQ(driver->openHandleCount(), 1);
        driver->unplug(id);
        ASSERT_TRUE(waitReaderEnded());
        EXPECT_EQ(driver->openHandleCount(), 0) << "after unplug " << round;
        EXPECT_EQ(D2XXUnit::DeviceHandle, nullptr);
        driver->replug(id);
    }
}

TEST_F(EngineTest, ACloseOutsideAHandOffGivesTheHandleBackOnceTheReaderHasEnded) {
    driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    // On the UI thread, while the reader runs on its own: it may be inside a
    // driver call, so the handle must outlive it.
    engine->CloseSimulator();
    EXPECT_FALSE(engine->Connected.load());
    // The reader's end reaches the UI thread only through its events.
    ASSERT_TRUE(engine->WorkerThread1.IsRunning());
    EXPECT_EQ(driver->openHandleCount(), 1);
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_EQ(driver->openHandleCount(), 0);
    EXPECT_TRUE(openLink());
}

TEST_F(EngineTest, FailedReadDropsTheCycleAndClosesOnce) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    shell.clear();
    driver->failNext(SimulatedDriver::Call::Read, FT_IO_ERROR);
    driver->feed(id, "lost");
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_EQ(log.lineCount(), 0);
    EXPECT_TRUE(engine->RxText.isEmpty());
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon});
    EXPECT_FALSE(engine->Connected.load());
    // The bridge itself is fine: the next tick opens it again.
    EXPECT_TRUE(openLink());
}

TEST_F(EngineTest, StopDuringAHandOffStillDeliversItsText) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->feed(id, "in flight");
    // Without events the reader blocks in its hand-off once it has read.
    while (engine->WorkerThread1.PendingUiCalls() == 0) QThread::msleep(1);
    engine->WorkerThread1.Stop();
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_EQ(logText(), "in flight");
}

TEST_F(EngineTest, StopBeforeTheHandOffDropsTheCyclesText) {
    // Stops the reader from within its read, once it has taken bytes: the stop
    // then falls between the read and the hand-off.
    struct StoppingDriver : SimulatedDriver {
        TWorkerThread* worker = nullptr;
        std::atomic<int> stops{0};
        FT_STATUS read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) override {
            const FT_STATUS status = SimulatedDriver::read(handle, buf, count, got);
            if (*got > 0 && worker) {
                worker->Stop();  // the worker on itself
                ++stops;
            }
            return status;
        }
    };
    auto stopping = std::make_shared<StoppingDriver>();
    ftdriver::install(stopping);
    const auto id = stopping->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    stopping->worker = &engine->WorkerThread1;
    int appends = 0;
    const auto counter = QObject::connect(&log, &LogModel::appended, [&] { ++appends; });
    stopping->feed(id, "never shown");
    ASSERT_TRUE(waitReaderEnded());
    pumpFor(30);
    EXPECT_EQ(stopping->stops.load(), 1);
    EXPECT_EQ(stopping->queued(id), 0u) << "the bytes were read";
    EXPECT_EQ(appends, 0);
    EXPECT_EQ(log.lineCount(), 0);
    QObject::disconnect(counter);
}

TEST_F(EngineTest, MegabyteBurstArrivesWholeInOrderInOneHandOff) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    QByteArray burst;
    int lines = 0;
    while (burst.size() < (1 << 20))
        burst += "line " + QByteArray::number(lines++).rightJustified(7, '0') + "\r";
    int appends = 0;
    QObject::connect(&log, &LogModel::appended, [&] { ++appends; });
    driver->feed(id, burst);
    ASSERT_TRUE(pumpUntil([&] { return log.lineCount() == lines + 1; }, 20000)) << log.lineCount();
    EXPECT_EQ(appends, 1) << "the whole burst was read within one cycle";
    for (int i = 0; i < lines; ++i) {
        const QString expected = "line " + QString::number(i).rightJustified(7, u'0');
        if (log.line(i) != expected) {
            ADD_FAILURE() << "line " << i << ": " << log.line(i).toStdString();
            break;
        }
    }
    EXPECT_TRUE(engine->Connected.load());
}

TEST_F(EngineTest, ExceptionInTheHandOffClosesTheLinkAndTheWatchdogReopens) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    bool thrown = false;
    auto connection = QObject::connect(&log, &LogModel::appended, [&] {
        if (thrown) return;
        thrown = true;
        throw std::runtime_error("append failed");
    });
    shell.clear();
    driver->feed(id, "boom");
    ASSERT_TRUE(waitReaderEnded());
    EXPECT_TRUE(thrown);
    EXPECT_FALSE(engine->Connected.load()) << "a reader that died must not leave the link marked open";
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon});
    QObject::disconnect(connection);
    ASSERT_TRUE(openLink());
    driver->feed(id, "again");
    ASSERT_TRUE(pumpUntil([&] { return logText().endsWith("again"); }));
}

TEST_F(EngineTest, DestroyingTheEngineWhileReadingEndsTheReader) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    driver->feed(id, "pending");
    while (engine->WorkerThread1.PendingUiCalls() == 0) QThread::msleep(1);  // blocked in its hand-off
    engine.reset();
    EXPECT_EQ(logText(), "pending") << "the pending hand-off ran before the reader ended";
    EXPECT_EQ(shell.requests().back().op, RecordingTrayShell::Op::Remove);
}
