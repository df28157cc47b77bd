#pragma once
// A log of the simulator's traffic, shown in an 800x600 view, built once per
// size and shared by a benchmark executable's cases; runBenchmarks() is its main.

#include "logstore/log_model.h"
#include "logview/log_view.h"
#include "traffic.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace benchlog {

inline void fill(LogModel& model, qsizetype lines) {
    Traffic traffic;
    qsizetype n = 0;
    for (; n + 10000 <= lines; n += 10000) model.append(traffic.lines(10000));
    if (n < lines) model.append(traffic.lines(int(lines - n)));
}

struct ShownLog {
    explicit ShownLog(qsizetype lines) : view(&model) {
        fill(model, lines);
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
    }
    LogModel model;
    LogView view;
    Traffic more;
};

inline std::map<qsizetype, std::unique_ptr<ShownLog>> sharedLogs;

inline ShownLog& shownLog(qsizetype lines) {
    auto& slot = sharedLogs[lines];
    if (!slot) slot = std::make_unique<ShownLog>(lines);
    return *slot;
}

// The main of a benchmark executable that shows logs: offscreen unless told
// otherwise, the shared logs released before the application object.
inline int runBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedLogs.clear();
    return 0;
}

}  // namespace benchlog
