// Measures the log view against the numbers it has to meet: append per batch
// (against QPlainTextEdit, and at 1,000 vs 1,000,000 lines), memory per stored
// line, painting a full viewport at 100 vs 10,000,000 lines, and saving.
#include "logview/log_file_writer.h"
#include "logview/log_model.h"
#include "logview/log_view.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <map>
#include <memory>

namespace {

// 10 ms of traffic at 115200 baud: about 115 bytes holding 3 lines.
const QString kBatch = QStringLiteral(
    "7E8 10 14 49 02 01 31 44 34 4721\r7E8 21 48 35 32 30 33 4C 37 38\r"
    "7E8 22 35 36 33 37 39 37 00 00\t\r");

// 28-character lines, as in the memory target.
const QString kLine28 = QStringLiteral("7E8 06 41 00 BE 3F A8 13 00\r");

void fill(LogModel& model, qsizetype lines) {
    QString chunk;
    for (int i = 0; i < 1000; ++i) chunk += kLine28;
    qsizetype n = 0;
    for (; n + 1000 <= lines; n += 1000) model.append(chunk);
    model.append(QStringView(chunk).first((lines - n) * kLine28.size()));
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
};

// Built once per size and shared by the benchmarks; released before the
// application object goes.
std::map<qsizetype, std::unique_ptr<ShownLog>> sharedLogs;

ShownLog& shownLog(qsizetype lines) {
    auto& slot = sharedLogs[lines];
    if (!slot) slot = std::make_unique<ShownLog>(lines);
    return *slot;
}

void BM_LogViewAppendBatch(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    for (auto _ : state) log.model.append(kBatch);
    // Let the coalesced repaint happen outside the timing, as the event loop would.
    QApplication::processEvents();
    state.counters["lines"] = static_cast<double>(log.model.lineCount());
}
// A fixed number of batches, so that the log stays near its starting size.
BENCHMARK(BM_LogViewAppendBatch)->Arg(1000)->Arg(1000000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_ModelAppendBatch(benchmark::State& state) {
    LogModel model;
    fill(model, state.range(0));
    for (auto _ : state) model.append(kBatch);
}
BENCHMARK(BM_ModelAppendBatch)->Arg(1000)->Arg(1000000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_PlainTextEditAppendBatch(benchmark::State& state) {
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(800, 600);
    QString start;
    for (int i = 0; i < state.range(0); ++i) start += kLine28.chopped(1) + u'\n';
    edit.setPlainText(start);
    edit.show();
    QApplication::processEvents();
    QString batch = kBatch;
    batch.replace(u'\r', u'\n').replace(u'\t', QStringLiteral("    "));
    for (auto _ : state) {
        edit.moveCursor(QTextCursor::End);
        edit.insertPlainText(batch);
        edit.ensureCursorVisible();
    }
    QApplication::processEvents();
}
BENCHMARK(BM_PlainTextEditAppendBatch)->Arg(1000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_MemoryPerLine(benchmark::State& state) {
    const qsizetype lines = state.range(0);
    double perLine = 0;
    double storagePerLine = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto model = std::make_unique<LogModel>();
        fill(*model, lines);
        perLine = double(heapInUse() - before) / double(model->lineCount());
        storagePerLine = double(model->storageBytes()) / double(model->lineCount());
        benchmark::DoNotOptimize(model->lineLength(lines / 2));
    }
    state.counters["heap_bytes_per_line"] = perLine;
    state.counters["storage_bytes_per_line"] = storagePerLine;
}
BENCHMARK(BM_MemoryPerLine)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PlainTextEditMemoryPerLine(benchmark::State& state) {
    const qsizetype lines = state.range(0);
    double perLine = 0;
    for (auto _ : state) {
        QString text;
        for (qsizetype i = 0; i < lines; ++i) text += kLine28.chopped(1) + u'\n';
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

void BM_PaintViewport(benchmark::State& state) {
    ShownLog& log = shownLog(state.range(0));
    QImage image(log.view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        log.view.viewport()->render(&image);
        benchmark::ClobberMemory();
    }
    state.counters["first_line"] = static_cast<double>(log.view.state().firstLine());
}
BENCHMARK(BM_PaintViewport)->Arg(100)->Arg(10000000)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_SaveLog)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same number of bytes written in 1 MiB blocks through the same kind of
// file (temporary, synced, renamed): the disk's own speed.
void BM_RawWriteSameSize(benchmark::State& state) {
    QTemporaryDir dir(QStringLiteral("bench-logview-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("raw.txt"));
    const qint64 total = state.range(0) * kLine28.size() + state.range(0);  // CR LF instead of CR
    const QByteArray block(1 << 20, 'x');
    for (auto _ : state) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        for (qint64 written = 0; written < total; written += block.size())
            file.write(block.constData(), std::min<qint64>(block.size(), total - written));
        file.commit();
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_RawWriteSameSize)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedLogs.clear();
    return 0;
}
