// A week in memory: appends a week of the simulator's traffic at the link rate
// (400 lines a second, 241,920,000 lines) to the log, then measures what a
// user would meet with it: resident bytes per line, painting at the top, the
// middle and the end against painting a log of 100 lines, appending a batch at
// the start and at the end of the week, copying a million lines, and saving the
// whole log against a plain write of the same bytes.
//
// Usage: bench_log_week [LINES] (a week unless given). Prints one figure a line
// and the goal it is held against.
#include "logstore/log_file_writer.h"
#include "logstore/log_model.h"
#include "logview/log_view.h"
#include "traffic.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kWeekLines = qsizetype{400} * 3600 * 24 * 7;
constexpr int kBatchLines = 4;  // 10 ms of traffic at the link rate

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

qint64 residentAnonBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("RssAnon:")) return line.mid(8).trimmed().split(' ').first().toLongLong() << 10;
    return 0;
}

// Mean microseconds per append of `count` batches of four lines.
double appendMicros(LogModel& model, Traffic& traffic, int count) {
    std::vector<QString> batches;
    for (int i = 0; i < count; ++i) batches.push_back(traffic.lines(kBatchLines));
    const auto start = Clock::now();
    for (const QString& batch : batches) model.append(batch);
    return secondsSince(start) * 1e6 / count;
}

// Median microseconds of painting the whole viewport of `view` with the top
// line at `first`.
double paintMicros(LogView& view, qsizetype first) {
    QScrollBar* bar = view.verticalScrollBar();
    QApplication::processEvents();
    const qsizetype max = view.state().maxFirstLine();
    bar->setValue(first >= max ? bar->maximum() : int(double(first) / double(max) * bar->maximum()));
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        view.viewport()->render(&image);
        times.push_back(secondsSince(start) * 1e6);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// Seconds to write `bytes` in 1 MiB blocks through the same kind of file as a
// save (temporary, renamed): the disk's own speed for the same amount.
double plainWriteSeconds(const QString& path, qint64 bytes) {
    const QByteArray block(1 << 20, 'x');
    const auto start = Clock::now();
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    for (qint64 written = 0; written < bytes; written += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
    file.commit();
    return secondsSince(start);
}

void report(const char* what, double value, const char* unit, const char* goal = "") {
    std::printf("%-44s %14.3f %-8s %s\n", what, value, unit, goal);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication app(argc, argv);
    const qsizetype lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : kWeekLines;
    std::printf("== a week of link-rate traffic: %lld lines\n", static_cast<long long>(lines));

    Traffic traffic;
    const qint64 residentBefore = residentAnonBytes();
    auto model = std::make_unique<LogModel>();
    model->append(traffic.lines(1000));
    const double appendStart = appendMicros(*model, traffic, 3000);

    // The week in batches of 10,000 lines; the rate of each tenth shows whether
    // appending slows down as the log grows.
    const auto fillStart = Clock::now();
    auto tenthStart = Clock::now();
    qsizetype nextTenth = lines / 10;
    for (qsizetype n = model->lineCount(); n < lines;) {
        const int count = int(std::min<qsizetype>(10000, lines - n));
        model->append(traffic.lines(count));
        n += count;
        if (n >= nextTenth) {
            std::printf("  %3lld%%: %.2f M lines/s\n", static_cast<long long>(n * 100 / lines),
                        double(lines / 10) / secondsSince(tenthStart) / 1e6);
            tenthStart = Clock::now();
            nextTenth += lines / 10;
        }
    }
    const double fillSeconds = secondsSince(fillStart);
    const double appendEnd = appendMicros(*model, traffic, 3000);
    malloc_trim(0);
    const qint64 resident = residentAnonBytes() - residentBefore;
    const double count = double(model->lineCount());

    report("lines", count, "");
    report("fill time (traffic made on the way)", fillSeconds, "s");
    report("resident bytes per line", double(resident) / count, "B", "goal <= 1");
    report("resident bytes for the week", double(resident) / 1e6, "MB", "goal < 256");
    report("store bytes per line", double(model->storageBytes()) / count, "B");
    report("append a 4-line batch at the start", appendStart, "us");
    report("append a 4-line batch at the end", appendEnd, "us", "goal: flat");

    // Painting the full viewport, against a log of 100 lines.
    double paint100 = 0;
    {
        LogModel small;
        Traffic smallTraffic;
        small.append(smallTraffic.lines(100));
        LogView view(&small);
        view.resize(800, 600);
        view.show();
        paint100 = paintMicros(view, 1 << 30);
    }
    report("paint, log of 100 lines", paint100, "us");
    {
        LogView view(model.get());
        view.resize(800, 600);
        view.show();
        const qsizetype last = model->lineCount();
        const char* names[] = {"paint, week at the top", "paint, week in the middle",
                               "paint, week at the end"};
        const qsizetype firsts[] = {0, last / 2, last};
        for (int i = 0; i < 3; ++i) {
            const double us = paintMicros(view, firsts[i]);
            report(names[i], us, "us");
            report("  against 100 lines", us / paint100, "x", "goal <= 2");
        }
    }

    // Copying a million lines from the middle of the week, as Copy does.
    {
        const qsizetype from = model->lineCount() / 2;
        QString text;
        const auto start = Clock::now();
        model->appendText(from, 0, from + 999999, std::numeric_limits<qsizetype>::max(), u"\r\n", text);
        const double seconds = secondsSince(start);
        report("copy 1M lines", seconds * 1e3, "ms");
        report("  text copied", double(text.size()) * 2 / 1e6, "MB");
    }

    // Saving the whole week, against a plain write of the same bytes. This
    // virtual disk is slow to write blocks it never gave out before (32 s
    // against 9 s for 5.2 GB here) and its speed drifts by half within minutes.
    // So an untimed save goes first and frees blocks for the timed writes to
    // reuse, and the timed writes go save, plain, plain, save, so that a steady
    // drift weighs on both sides alike.
    {
        QTemporaryDir dir(QStringLiteral("bench-log-week-XXXXXX"));
        const QString path = dir.filePath(QStringLiteral("week.txt"));
        bool saved = true;
        qint64 bytes = 0;
        const auto timedSave = [&] {
            const auto start = Clock::now();
            saved = logfile::save(*model, path) && saved;
            const double seconds = secondsSince(start);
            bytes = QFile(path).size();
            QFile::remove(path);
            return seconds;
        };
        const auto timedPlainWrite = [&] {
            const double seconds = plainWriteSeconds(path, bytes);
            QFile::remove(path);
            return seconds;
        };
        timedSave();
        double saveSeconds = timedSave();
        double plainSeconds = timedPlainWrite();
        plainSeconds += timedPlainWrite();
        saveSeconds += timedSave();
        report("saved bytes", double(bytes) / 1e9, "GB", saved ? "" : "SAVE FAILED");
        report("save the week, twice", saveSeconds, "s");
        report("plain write of the same bytes, twice", plainSeconds, "s");
        report("  save against plain write", saveSeconds / plainSeconds, "x", "goal <= 1.5");
    }
    return 0;
}
