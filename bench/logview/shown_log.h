#pragma once
// A log of the simulator's traffic, shown in an 800x600 view, built once per
// size and shared by a benchmark executable's cases. main() clears sharedLogs
// before the application object goes.

#include "logstore/log_model.h"
#include "logview/log_view.h"
#include "traffic.h"

#include <QApplication>

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

}  // namespace benchlog
