// Measures the log view against the numbers it has to meet: append per batch
// (against QPlainTextEdit, and at 1,000 vs 10,000,000 lines), memory per stored
// line of the simulator's traffic and of random text, painting a full viewport at
// 100 vs 10,000,000 lines, copying a selection and saving, each against a plain
// write of the same bytes.
#include "logstore/log_file_writer.h"
#include "logstore/log_model.h"
#include "logview/log_view.h"
#include "shown_log.h"
#include "traffic.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <malloc.h>

#include <map>
#include <memory>
#include <random>

namespace {

// 10 ms of traffic at 400 lines a second: four lines per batch.
constexpr int kBatchLines = 4;

using benchlog::fill;
using benchlog::ShownLog;
using benchlog::shownLog;

void BM_LogViewAppendBatch(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    std::vector<QString> batches;
    for (int i = 0; i < 3000; ++i) batches.push_back(log.more.lines(kBatchLines));
    std::size_t next = 0;
    for (auto _ : state) log.model.append(batches[next++ % batches.size()]);
    // Let the coalesced repaint happen outside the timing, as the event loop would.
    QApplication::processEvents();
    state.counters["lines"] = static_cast<double>(log.model.lineCount());
}
// A fixed number of batches, so that the log stays near its starting size.
BENCHMARK(BM_LogViewAppendBatch)->Arg(1000)->Arg(10000000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_ModelAppendBatch(benchmark::State& state) {
    LogModel model;
    fill(model, state.range(0));
    Traffic traffic;
    std::vector<QString> batches;
    for (int i = 0; i < 3000; ++i) batches.push_back(traffic.lines(kBatchLines));
    std::size_t next = 0;
    for (auto _ : state) model.append(batches[next++ % batches.size()]);
}
BENCHMARK(BM_ModelAppendBatch)->Arg(1000)->Arg(10000000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_PlainTextEditAppendBatch(benchmark::State& state) {
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(800, 600);
    Traffic traffic;
    QString start = traffic.lines(int(state.range(0)));
    start.replace(u'\r', u'\n');
    edit.setPlainText(start);
    edit.show();
    QApplication::processEvents();
    std::vector<QString> batches;
    for (int i = 0; i < 3000; ++i) batches.push_back(traffic.lines(kBatchLines).replace(u'\r', u'\n'));
    std::size_t next = 0;
    for (auto _ : state) {
        edit.moveCursor(QTextCursor::End);
        edit.insertPlainText(batches[next++ % batches.size()]);
        edit.ensureCursorVisible();
    }
    QApplication::processEvents();
}
BENCHMARK(BM_PlainTextEditAppendBatch)->Arg(1000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The heap the model holds after taking `lines` lines in batches of 10,000
// (the batch text itself is freed before measuring).
template <class MakeBatch>
void measureMemory(benchmark::State& state, MakeBatch makeBatch) {
    const qsizetype lines = state.range(0);
    double perLine = 0;
    double storagePerLine = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto model = std::make_unique<LogModel>();
        for (qsizetype n = 0; n < lines; n += 10000) model->append(makeBatch());
        benchmark::DoNotOptimize(model->line(lines / 2));
        perLine = double(heapInUse() - before) / double(model->lineCount());
        storagePerLine = double(model->storageBytes()) / double(model->lineCount());
    }
    state.counters["heap_bytes_per_line"] = perLine;
    state.counters["storage_bytes_per_line"] = storagePerLine;
}

void BM_MemoryPerLine(benchmark::State& state) {
    Traffic traffic;
    measureMemory(state, [&] { return traffic.lines(10000); });
}
BENCHMARK(BM_MemoryPerLine)->Arg(10000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MemoryPerLineRandom(benchmark::State& state) {
    std::mt19937 rng(42);
    measureMemory(state, [&] { return Traffic::randomLines(10000, rng); });
}
BENCHMARK(BM_MemoryPerLineRandom)->Arg(2000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PlainTextEditMemoryPerLine(benchmark::State& state) {
    const qsizetype lines = state.range(0);
    double perLine = 0;
    for (auto _ : state) {
        Traffic traffic;
        QString text = traffic.lines(int(lines)).replace(u'\r', u'\n');
        const std::size_t before = heapInUse();
        auto edit = std::make_unique<QPlainTextEdit>();
        edit->setPlainText(text);
        text.clear();
        text.squeeze();
        perLine = double(heapInUse() - before) / double(lines);
        benchmark::DoNotOptimize(edit->blockCount());
    }
    state.counters["heap_bytes_per_line"] = perLine;
}
BENCHMARK(BM_PlainTextEditMemoryPerLine)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Paints the whole viewport with the top line at the start, the middle or the
// end of the log, or at a new random place every time (a jump: its chunk is
// rarely in the cache).
void BM_PaintViewport(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    const int where = int(state.range(1));
    QScrollBar* bar = log.view.verticalScrollBar();
    QApplication::processEvents();
    const int max = bar->maximum();
    bar->setValue(where == 0 ? 0 : where == 1 ? max / 2 : max);
    std::mt19937 rng(5);
    QImage image(log.view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        if (where == 3) bar->setValue(std::uniform_int_distribution<int>(0, max)(rng));
        log.view.viewport()->render(&image);
        benchmark::ClobberMemory();
    }
    state.counters["first_line"] = static_cast<double>(log.view.state().firstLine());
    bar->setValue(max);
}
BENCHMARK(BM_PaintViewport)
    ->ArgNames({"lines", "where"})
    ->Args({100, 2})
    ->Args({10000000, 0})
    ->Args({10000000, 1})
    ->Args({10000000, 2})
    ->Args({10000000, 3})
    ->Unit(benchmark::kMicrosecond);

// Selects the first `lines` lines and copies them to the clipboard.
void BM_CopySelection(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    for (auto _ : state) {
        log.view.selectAll();
        log.view.copy();
    }
    const qint64 bytes = 2 * QGuiApplication::clipboard()->text().size();
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_CopySelection)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveLog(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    QTemporaryDir dir(QStringLiteral("bench-logview-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    qint64 bytes = 0;
    for (auto _ : state) {
        logfile::save(log.model, path);
        bytes = QFile(path).size();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_SaveLog)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bytes of the copy (UTF-16 text of 1M lines) or of the saved file (10M
// lines), written in 1 MiB blocks through the same kind of file as a save
// (temporary, synced, renamed): the disk's own speed for the same amount.
void BM_RawWriteSameSize(benchmark::State& state) {
    const bool likeCopy = state.range(0) == 1000000;
    ShownLog& log = shownLog(state.range(0));
    qint64 total = 0;
    if (likeCopy) {
        log.view.selectAll();
        total = 2 * log.view.state().selectedText().size();
    } else {
        log.model.writeEncoded("\r\n", [&](QByteArrayView block) {
            total += block.size();
            return true;
        });
    }
    QTemporaryDir dir(QStringLiteral("bench-logview-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("raw.txt"));
    const QByteArray block(1 << 20, 'x');
    for (auto _ : state) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        for (qint64 written = 0; written < total; written += block.size())
            file.write(block.constData(), std::min<qint64>(block.size(), total - written));
        file.commit();
    }
    state.SetBytesProcessed(state.iterations() * total);
    state.counters["bytes"] = double(total);
}
BENCHMARK(BM_RawWriteSameSize)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return benchlog::runBenchmarks(argc, argv);
}
