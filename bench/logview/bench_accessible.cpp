// Measures what a screen reader costs the log view, at 1,000 and 10,000,000
// lines of the simulator's traffic: counting the log's characters from scratch
// (the index built when a reader first asks), reading the line at the caret and
// a line deep inside the compressed store, and one frame's announcement while
// text streams in.
#include "logstore/log_model.h"
#include "logview/accessible/accessible_log_text.h"
#include "logview/log_view.h"
#include "shown_log.h"
#include "traffic.h"

#include <benchmark/benchmark.h>

#include <QAccessible>
#include <QApplication>

#include <map>
#include <memory>

namespace {

using benchlog::ShownLog;
using benchlog::shownLog;

void BM_CountFromScratch(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    logtext::ModelLines lines(log.model);
    for (auto _ : state) {
        logtext::LogTextOffsets offsets(lines);
        benchmark::DoNotOptimize(offsets.length());
    }
}
BENCHMARK(BM_CountFromScratch)->Arg(1000)->Arg(10000000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_LineAtTheCaret(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&log.view)->textInterface();
    int start = 0, end = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(text->textAtOffset(-2, QAccessible::LineBoundary, &start, &end));
}
BENCHMARK(BM_LineAtTheCaret)->Arg(1000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

void BM_LineDeepInTheLog(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&log.view)->textInterface();
    const int middle = text->characterCount() / 2;
    int start = 0, end = 0;
    int step = 0;
    for (auto _ : state) {
        // Lines a chunk apart: each read may decompress another chunk.
        const int at = (middle + (step++ % 64) * 40000) % text->characterCount();
        benchmark::DoNotOptimize(text->textAtOffset(at, QAccessible::LineBoundary, &start, &end));
    }
}
BENCHMARK(BM_LineDeepInTheLog)->Arg(1000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

void dropEvent(QAccessibleEvent*) {}

void BM_AnnounceAFrameOfTraffic(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    const auto previous = AccessibleLogText::setEventSink(dropEvent);
    QAccessible::setActive(true);
    log.view.accessibility()->announce();
    for (auto _ : state) {
        state.PauseTiming();
        log.model.append(log.more.lines(12));  // 30 ms at 400 lines a second
        state.ResumeTiming();
        log.view.accessibility()->announce();
    }
    QAccessible::setActive(false);
    AccessibleLogText::setEventSink(previous);
}
BENCHMARK(BM_AnnounceAFrameOfTraffic)
    ->Arg(1000)
    ->Arg(10000000)
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return benchlog::runBenchmarks(argc, argv);
}
