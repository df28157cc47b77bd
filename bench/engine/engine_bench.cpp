// The connection engine under load, with the simulated bridge:
//  - throughput into the log while a feeder keeps the receive queue topped up
//    as fast as the reader drains it, against the link's 11,520 B/s, and the
//    rate at which a 1 ms timer on the UI thread keeps firing meanwhile;
//  - the process's CPU share while the link is open and idle.
#include "device/d2xx_unit.h"
#include "device/simulated_driver.h"
#include "engine/tf_main.h"
#include "logstore/log_model.h"
#include "support/d2xx_unit_reset.h"
#include "support/recording_tray_shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr double kLinkBytesPerSecond = 11520.0;  // 115200 baud, 10 bits a byte
constexpr int kLineBytes = 64;

struct Rig {
    Rig() {
        previous = ftdriver::install(driver);
        resetD2xxUnit();
        bridge = driver->addBridge("TORVIK ECU Simulator");
        engine = std::make_unique<TfMain>(shell, &log, TfMain::Options{.runTimer = false});
        engine->FormCreate();
        engine->Timer1Timer();
    }
    ~Rig() {
        engine.reset();
        resetD2xxUnit();
        ftdriver::install(previous);
    }
    std::shared_ptr<SimulatedDriver> driver = std::make_shared<SimulatedDriver>();
    std::shared_ptr<FtDriver> previous;
    SimulatedDriver::BridgeId bridge;
    RecordingTrayShell shell;
    LogModel log;
    std::unique_ptr<TfMain> engine;
};

// Runs the UI thread's event loop for `ms`.
void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ThroughputIntoLog(benchmark::State& state) {
    const int runMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Rig rig;
        if (!rig.engine->Connected) {
            state.SkipWithError("link did not open");
            return;
        }
        QByteArray chunk;
        while (chunk.size() < D2XXUnit::kTransferBufferSize)
            chunk +=
                QByteArray(kLineBytes - 1, 'A' + static_cast<char>(chunk.size() / kLineBytes % 26)) + '\r';

        std::atomic<bool> stop{false};
        std::thread feeder([&] {
            // Top the queue up whenever the reader has taken what waited.
            while (!stop.load()) {
                if (rig.driver->queued(rig.bridge) < static_cast<std::size_t>(chunk.size()))
                    rig.driver->feed(rig.bridge, chunk);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });

        int ticks = 0;
        QTimer fast;
        fast.setTimerType(Qt::PreciseTimer);
        fast.setInterval(1);
        QObject::connect(&fast, &QTimer::timeout, [&] { ++ticks; });
        fast.start();

        const qsizetype linesBefore = rig.log.lineCount();
        QElapsedTimer clock;
        clock.start();
        runEventLoop(runMs);
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double bytes = double(rig.log.lineCount() - linesBefore) * kLineBytes;
        fast.stop();
        stop = true;
        feeder.join();

        state.SetIterationTime(seconds);
        state.counters["bytes_per_s"] = bytes / seconds;
        state.counters["ratio_to_link"] = bytes / seconds / kLinkBytesPerSecond;
        state.counters["ui_1ms_timer_hz"] = ticks / seconds;
    }
}
BENCHMARK(BM_ThroughputIntoLog)->Arg(3000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_IdleCostWithLinkOpen(benchmark::State& state) {
    const int runMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Rig rig;
        rig.engine->Timer1.start();  // the watchdog ticks as in the program
        runEventLoop(200);           // settle
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        runEventLoop(runMs);
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpuBefore;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / seconds;
        state.counters["connected"] = rig.engine->Connected ? 1 : 0;
    }
}
BENCHMARK(BM_IdleCostWithLinkOpen)->Arg(5000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
