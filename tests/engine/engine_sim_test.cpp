// The engine against torvik-sim through the production driver: a real
// pseudo-terminal bridge, a real unplug (the simulator ends) and a replug.
#include "device/d2xx_unit.h"
#include "device/production_driver.h"
#include "engine/tf_main.h"
#include "logstore/log_model.h"
#include "sim/sim_process.h"
#include "support/d2xx_unit_reset.h"
#include "support/error_box_recorder.h"
#include "support/recording_tray_shell.h"
#include "thread/event_pump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class EngineWithSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvik-engine-sim.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        runtimeDir_ = pattern;
        const char* old = std::getenv("TORVIK_RUNTIME_DIR");
        if (old) oldRuntime_ = old;
        hadRuntime_ = old != nullptr;
        setenv("TORVIK_RUNTIME_DIR", runtimeDir_.c_str(), 1);
        previous_ = ftdriver::install(makeProductionDriver());
        resetD2xxUnit();
        engine = std::make_unique<TfMain>(shell, &log, TfMain::Options{.runTimer = false});
        engine->FormCreate();
    }
    void TearDown() override {
        engine.reset();
        sim.reset();
        resetD2xxUnit();
        ftdriver::install(previous_);
        if (hadRuntime_)
            setenv("TORVIK_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            unsetenv("TORVIK_RUNTIME_DIR");
        std::filesystem::remove_all(runtimeDir_);
    }

    void startSim() {
        sim = std::make_unique<SimProcess>(runtimeDir_, std::vector<std::string>{"--rate", "50"});
        ASSERT_TRUE(sim->waitReady()) << sim->errorOutput();
    }
    bool logContains(const QString& text) const {
        for (qsizetype i = 0; i < log.lineCount(); ++i)
            if (log.line(i).contains(text)) return true;
        return false;
    }
    // This process's descriptors of the device `path`, a hung-up one included.
    static int descriptorsOf(const std::string& path) {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            n += !error && target.compare(0, path.size(), path) == 0 &&
                 (target.size() == path.size() || target[path.size()] == ' ');
        }
        return n;
    }
    bool tickUntilOpen() {
        return pumpUntil(
            [&] {
                engine->Timer1Timer();
                return engine->Connected.load();
            },
            10000);
    }

    RecordingTrayShell shell;
    LogModel log;
    ErrorBoxRecorder errors;
    std::unique_ptr<TfMain> engine;
    std::unique_ptr<SimProcess> sim;

private:
    std::string runtimeDir_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
    std::shared_ptr<FtDriver> previous_;
};

}  // namespace

TEST_F(EngineWithSimulator, OpensCommandsReadsTrafficAndSurvivesUnplug) {
    engine->Timer1Timer();
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0) << "no simulator yet";

    startSim();
    ASSERT_TRUE(tickUntilOpen());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 1);
    EXPECT_EQ(engine->StatusPanelText(), "Opened");
    ASSERT_TRUE(pumpUntil([&] { return logContains("OK MONITOR ON"); }, 10000));

    engine->SetProtocol(5);
    ASSERT_TRUE(pumpUntil([&] { return logContains("OK PROTOCOL 5"); }, 10000));
    // With the monitor on and a protocol chosen, traffic flows.
    ASSERT_TRUE(pumpUntil([&] { return logContains("7E8 "); }, 10000));

    const std::string port = sim->ptyPath();
    ASSERT_EQ(descriptorsOf(port), 1);
    sim->stop();  // withdraws the bridge and closes the pty: an unplug
    ASSERT_TRUE(
        pumpUntil([&] { return !engine->Connected.load() && !engine->WorkerThread1.IsRunning(); }, 10000));
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 0);
    EXPECT_EQ(engine->StatusPanelText(), "Closed");
    // Let go before any new open, so that the kernel may reuse the port's name.
    EXPECT_EQ(descriptorsOf(port), 0) << "the dead port " << port << " is still held";

    engine->SetProtocol(11);  // monitor off while unplugged
    EXPECT_EQ(errors.texts(), QStringList{"Torvik not connected."});
    log.clear();
    startSim();
    ASSERT_TRUE(tickUntilOpen());
    EXPECT_EQ(engine->TrayIcon1.IconIndex(), 3);
    ASSERT_TRUE(pumpUntil([&] { return logContains("OK MONITOR OFF"); }, 10000));
    EXPECT_EQ(errors.count(), 1);
}
