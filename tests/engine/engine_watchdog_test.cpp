#include "engine_fixture.h"

#include <stdexcept>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

TEST_F(EngineTest, StartWithoutSimulatorAnnouncesClosedOnce) {
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1) << "start image before the first tick";
    EXPECT_TRUE(engine->StatusPanelText().isEmpty());
    shell.clear();
    engine->Timer1Timer();
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0);
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon});
    EXPECT_EQ(engine->StatusPanelText(), "Closed");
    shell.clear();
    for (int i = 0; i < 3; ++i) engine->Timer1Timer();
    EXPECT_TRUE(shell.requests().isEmpty()) << "later ticks show nothing new";
    EXPECT_FALSE(engine->Connected.load());
}

TEST_F(EngineTest, StartWithSimulatorOpensConfiguresAndAnnounces) {
    const auto id = driver->addBridge("Torvik ECU Simulator");
    shell.clear();
    ASSERT_TRUE(openLink());
    EXPECT_EQ(driver->calls(), (Strings{"open Torvik ECU Simulator", "reset", "data 8 0 0", "baud 115200",
                                        "timeouts 100 100", "purge 1", "purge 2"}));
    EXPECT_EQ(driver->written(id), QByteArray("MON1\r"));
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1);
    EXPECT_EQ(engine->MonitorImageIndex(), 6);
    EXPECT_EQ(engine->StatusPanelText(), "Opened");
    EXPECT_EQ(balloons(), QStringList{kOpenedBalloon});
    EXPECT_FALSE(D2XXUnit::ReportErrors.load());

    // While open a tick makes no driver call at all.
    driver->clearCalls();
    const int handles = driver->openHandleCount();
    engine->Timer1Timer();
    EXPECT_TRUE(driver->calls().empty());
    EXPECT_EQ(driver->openHandleCount(), handles);
}

TEST_F(EngineTest, TokenMatchesInAnyCase) {
    driver->addBridge("usb bridge (torVik)");
    EXPECT_TRUE(openLink());
}

TEST_F(EngineTest, Vmr4100AloneIsNeverOpenedButWinsWhenListedFirst) {
    driver->addBridge("VMR4100 interface");
    engine->Timer1Timer();
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0);
    for (const auto& call : driver->calls()) EXPECT_NE(call.rfind("open", 0), 0u) << call;

    driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    EXPECT_EQ(driver->calls().front(), "open VMR4100 interface")
        << "the open takes the first bridge that matches either token";
}

TEST_F(EngineTest, BridgeHeldElsewhereIsRetriedEveryTickWithoutIndication) {
    const auto id = driver->addBridge("TORVIK");
    driver->setHeldElsewhere(id, true);
    shell.clear();
    for (int i = 0; i < 3; ++i) engine->Timer1Timer();
    int opens = 0;
    for (const auto& call : driver->calls()) opens += call == "open TORVIK";
    EXPECT_EQ(opens, 3);
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_FALSE(engine->WorkerThread1.IsRunning());
    EXPECT_TRUE(shell.requests().isEmpty());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1);
    EXPECT_TRUE(engine->StatusPanelText().isEmpty());
    EXPECT_TRUE(driver->written(id).isEmpty());

    driver->setHeldElsewhere(id, false);
    EXPECT_TRUE(openLink());
}

TEST_F(EngineTest, LongDescriptionReachesTheOpenCutTo49Bytes) {
    const std::string description = "TORVIK " + std::string(53, 'x');
    driver->addBridge(description);
    engine->Timer1Timer();
    ASSERT_FALSE(driver->calls().empty());
    EXPECT_EQ(driver->calls().front(), "open " + description.substr(0, 49));
}

TEST_F(EngineTest, MonitorSwitchedOffBeforeOpenSendsMon0) {
    engine->SetProtocol(11);
    EXPECT_EQ(errors.texts(), QStringList{"Torvik not connected."});
    EXPECT_FALSE(engine->MonitorOn);
    EXPECT_EQ(engine->MonitorImageIndex(), 5);
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1) << "the tray icon changes only while open";

    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    EXPECT_EQ(driver->written(id), QByteArray("MON0\r"));
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 3);
    EXPECT_EQ(engine->MonitorImageIndex(), 5);
}

TEST_F(EngineTest, ReopenWaitsUntilTheOldReaderHasEnded) {
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    // The link is marked closed while the reader waits in a hand-off, so the
    // old reader has certainly not ended when the tick comes.
    bool ticked = false;
    bool runningAtTheTick = false;
    bool connectedAfterTheTick = true;
    std::vector<std::string> callsOfTheTick;
    std::vector<std::string> callsOfTheClose;
    const auto closeAndTick = QObject::connect(&log, &LogModel::appended, [&] {
        if (ticked) return;
        ticked = true;
        driver->clearCalls();
        engine->CloseSimulator();
        callsOfTheClose = driver->calls();
        runningAtTheTick = engine->WorkerThread1.IsRunning();
        driver->clearCalls();
        engine->Timer1Timer();
        callsOfTheTick = driver->calls();
        connectedAfterTheTick = engine->Connected.load();
    });
    driver->feed(id, "last words");
    ASSERT_TRUE(pumpUntil([&] { return ticked; }));
    QObject::disconnect(closeAndTick);
    ASSERT_TRUE(runningAtTheTick);
    EXPECT_EQ(callsOfTheTick, Strings{}) << "no open while the old reader is still ending";
    EXPECT_FALSE(connectedAfterTheTick);
    EXPECT_EQ(callsOfTheClose, Strings{"close"})
        << "the reader waits in its hand-off: the handle goes back at once";

    ASSERT_TRUE(waitReaderEnded());
    driver->clearCalls();
    EXPECT_TRUE(openLink());
    EXPECT_EQ(driver->calls().at(0), "open TORVIK") << "no handle left to close before the open";
}

TEST_F(EngineTest, ACountOf2To31OrMoreMeansNoBridge) {
    // Reports a fixed count and gives up on a listing that runs away.
    struct FixedCountDriver : SimulatedDriver {
        DWORD reported = 0;
        int listed = 0;
        FT_STATUS count(DWORD* count) override {
            *count = reported;
            return FT_OK;
        }
        FT_STATUS description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) override {
            if (++listed > 1000) throw std::runtime_error("the tick lists far more bridges than exist");
            return SimulatedDriver::description(index, buf);
        }
    };
    auto counting = std::make_shared<FixedCountDriver>();
    counting->addBridge("TORVIK");
    ftdriver::install(counting);
    shell.clear();
    for (const DWORD reported : {0x80000000u, 0xFFFFFFFFu}) {
        counting->reported = reported;
        counting->listed = 0;
        engine->Timer1Timer();
        EXPECT_EQ(counting->listed, 0) << "reported " << reported;
    }
    EXPECT_FALSE(engine->Connected.load());
    EXPECT_EQ(balloons(), QStringList{kClosedBalloon});
    EXPECT_EQ(engine->StatusPanelText(), "Closed");
    counting->reported = 1;
    EXPECT_TRUE(openLink());
}

TEST_F(EngineTest, OpenAndClosedIndicationsComeInTheirOrder) {
    // Every indication as it happens, marked +c while Connected is true and +r
    // while the reader runs without a stop request.
    QStringList timeline;
    auto note = [&](const QString& what) {
        TWorkerExecuteThread* reader = engine->WorkerThread1.Worker();
        timeline.append(what + (engine->Connected.load() ? " +c" : "") +
                        (reader && !reader->Terminated() ? " +r" : ""));
    };
    NotifyRecord previous = shell.requests().last().record;
    shell.onModify = [&](const NotifyRecord& r) {
        if (r.iconIndex != previous.iconIndex) note(QStringLiteral("icon %1").arg(r.iconIndex));
        if (r.info != previous.info) note(QStringLiteral("hint ") + r.info);
        if (r.has(notify::NIF_INFO))
            note(QStringLiteral("balloon %1/%2").arg(r.info).arg(static_cast<int>(r.infoFlags)));
        previous = r;
    };
    const auto status =
        QObject::connect(engine.get(), &TfMain::statusPanelTextChanged,
                         [&](const QString& text) { note(QStringLiteral("status ") + text); });
    driver->setWriteObserver(
        [&](SimulatedDriver::BridgeId, const QByteArray& bytes) { note(QStringLiteral("write ") + bytes); });

    engine->Timer1Timer();  // no simulator yet
    EXPECT_EQ(timeline,
              (QStringList{"icon 0", "hint Device closed", "balloon Device closed/3", "status Closed"}));

    timeline.clear();
    const auto id = driver->addBridge("TORVIK");
    ASSERT_TRUE(openLink());
    EXPECT_EQ(timeline, (QStringList{"icon 1 +c +r", "write MON1\r +c +r", "status Opened +c +r",
                                     "hint Device opened +c +r", "balloon Device opened/1 +c +r"}));

    timeline.clear();
    driver->unplug(id);
    ASSERT_TRUE(waitReaderEnded());
    // The reader is stopped first and the link marked closed last.
    EXPECT_EQ(timeline, (QStringList{"icon 0 +c", "hint Device closed +c", "balloon Device closed/3 +c",
                                     "status Closed +c"}));
    EXPECT_FALSE(engine->Connected.load());
    shell.onModify = nullptr;
    driver->setWriteObserver(nullptr);
    QObject::disconnect(status);
}
