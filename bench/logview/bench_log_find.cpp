// Finding text in a week of traffic: fills the log with the simulator's
// ISO 15765-4 monitor lines (FIND_LINES, a week at the link rate unless given,
// at least 10 M), searches for a text on about one line in 1,000 and for one on
// none, saves the same log to a file and times `grep -c -F` over it with the
// page cache warm. One line per case:
//   find <case>: <lines> lines, <matches> matches, <s> s; grep -c -F <s> s; ratio <search/grep>
// then the time to the first screenful of matches, the longest gap between
// event-loop passes during the search, and the bytes kept per match. Times are
// the best of three runs, the gap the longest of them.
#include "logstore/chunk_codec.h"
#include "logstore/log_find.h"
#include "logstore/log_model.h"
#include "logstore/log_storage.h"
#include "sim/ecu_simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr qsizetype kWeekLines = qsizetype{400} * 3600 * 24 * 7;
constexpr qsizetype kLeastLines = 10'000'000;
constexpr int kBatchLines = 10000;
constexpr qsizetype kScreenful = 40;
// Each time is the best of this many runs: the machine is shared.
constexpr int kRuns = 3;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The simulator's monitor on ISO 15765-4, 400 lines a second.
class IsoTraffic {
public:
    IsoTraffic() {
        sim_.answer("MON1", 0);
        sim_.answer("SP5", 0);
    }
    std::string lines(int count) {
        std::string text;
        text.reserve(std::size_t(count) * 28);
        for (int i = 0; i < count; ++i) {
            text += sim_.nextTrafficLine(now_);
            now_ += 1.0 / 400;
        }
        return text;
    }

private:
    EcuSimulator sim_;
    double now_ = 0;
};

// The answer text ("41 0D xx", a vehicle speed) nearest to one line in 1,000
// of the first `sample` lines.
QString rareText(qsizetype sample) {
    IsoTraffic traffic;
    std::map<std::string, long> counts;
    const std::string text = traffic.lines(int(sample));
    for (std::size_t at = text.find("41 0D "); at != std::string::npos; at = text.find("41 0D ", at + 1))
        ++counts[text.substr(at, 8)];
    std::string best;
    double bestDistance = 1e18;
    for (const auto& [key, n] : counts) {
        const double distance = std::abs(double(n) - double(sample) / 1000);
        if (distance < bestDistance) bestDistance = distance, best = key;
    }
    return QString::fromStdString(best);
}

struct Timed {
    qsizetype matches = 0;
    double seconds = 0;
    double firstScreen = 0;  // seconds to kScreenful matches (or all, if fewer)
    double longestGap = 0;   // seconds between two passes of the event loop
    std::size_t matchBytes = 0;
};

Timed timeSearch(LogFinder& finder, const QString& text) {
    Timed t;
    QEventLoop loop;
    QElapsedTimer sinceLast;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        t.longestGap = std::max(t.longestGap, double(sinceLast.nsecsElapsed()) / 1e9);
        sinceLast.restart();
    });
    const auto start = Clock::now();
    auto added = QObject::connect(&finder, &LogFinder::matchesAdded, [&] {
        if (t.firstScreen == 0 && finder.matchCount() >= kScreenful) t.firstScreen = secondsSince(start);
    });
    auto done = QObject::connect(&finder, &LogFinder::finished, &loop, &QEventLoop::quit);
    sinceLast.start();
    ticker.start();
    finder.start({text, true, false});
    if (finder.isSearching()) loop.exec();
    t.seconds = secondsSince(start);
    ticker.stop();
    QObject::disconnect(added);
    QObject::disconnect(done);
    t.matches = finder.matchCount();
    if (t.firstScreen == 0) t.firstScreen = t.seconds;
    t.matchBytes = finder.matchBytes();
    return t;
}

// Seconds of `grep -c -F text file` and its count, after one run that warms the cache.
std::pair<double, qsizetype> timeGrep(const QString& text, const QString& file) {
    auto run = [&] {
        QProcess grep;
        grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("-F"), text, file});
        grep.waitForFinished(-1);
        return grep.readAllStandardOutput().trimmed().toLongLong();
    };
    run();
    double best = 1e9;
    qsizetype count = 0;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        count = run();
        best = std::min(best, secondsSince(start));
    }
    return {best, count};
}

// Seconds to decompress every sealed chunk on as many threads as a search
// uses, doing nothing with the bytes: the floor under any search.
double decompressSeconds(const LogModel& model) {
    const logstore::LogStorage& store = model.storage();
    std::atomic<std::size_t> next{0};
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            std::vector<char> buffer;
            for (std::size_t k; (k = next++) < store.sealed.size();) {
                const logstore::SealedChunk& c = store.sealed[k];
                logstore::decompressChunk(c.packed.view(), c.rawSize, c.lines, buffer);
            }
        });
    for (std::thread& w : workers) w.join();
    return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qsizetype lines = kWeekLines;
    if (const QByteArray env = qgetenv("FIND_LINES"); !env.isEmpty()) lines = env.toLongLong();
    lines = std::max(lines, kLeastLines);

    const QString rare = rareText(1'000'000);
    const QString none = QStringLiteral("7E9 ");  // no second unit answers
    std::printf("== find in %lld lines of ISO 15765-4 traffic; texts \"%s\" and \"%s\"\n",
                static_cast<long long>(lines), qPrintable(rare), qPrintable(none));
    std::fflush(stdout);

    LogModel model;
    IsoTraffic traffic;
    const auto fillStart = Clock::now();
    for (qsizetype n = 0; n < lines;) {
        const int count = int(std::min<qsizetype>(kBatchLines, lines - n));
        const std::string text = traffic.lines(count);
        model.append(QString::fromLatin1(text.data(), qsizetype(text.size())));
        n += count;
    }
    std::printf("filled in %.1f s, %.1f MB stored\n", secondsSince(fillStart),
                double(model.storageBytes()) / 1e6);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        model.writeEncoded("\r\n", [&](QByteArrayView block) {
            return file.write(block.data(), block.size()) == block.size();
        });
    }
    std::printf("saved %.1f MB to %s\n", double(QFile(path).size()) / 1e6, qPrintable(path));

    LogFinder finder(&model);
    bool ok = true;
    for (const auto& [name, text] : {std::pair{"1 in 1000", rare}, std::pair{"no match", none}}) {
        Timed t = timeSearch(finder, text);
        for (int i = 1; i < kRuns; ++i) {
            const Timed again = timeSearch(finder, text);
            t.seconds = std::min(t.seconds, again.seconds);
            t.firstScreen = std::min(t.firstScreen, again.firstScreen);
            t.longestGap = std::max(t.longestGap, again.longestGap);
        }
        const auto [grepSeconds, grepCount] = timeGrep(text, path);
        std::printf("find %s: %lld lines, %lld matches, %.3f s; grep -c -F %.3f s; ratio %.2f\n", name,
                    static_cast<long long>(model.lineCount()), static_cast<long long>(t.matches), t.seconds,
                    grepSeconds, t.seconds / grepSeconds);
        if (t.matches >= kScreenful)
            std::printf("  first %lld matches after %.1f ms (goal <= 100);",
                        static_cast<long long>(kScreenful), t.firstScreen * 1e3);
        std::printf("  longest event-loop gap %.1f ms (goal <= 50); %.1f bytes per match (goal <= 16)\n",
                    t.longestGap * 1e3, t.matches ? double(t.matchBytes) / double(t.matches) : 0.0);
        if (grepCount != t.matches) {
            std::printf("  MISMATCH: grep counts %lld lines\n", static_cast<long long>(grepCount));
            ok = false;
        }
        std::fflush(stdout);
    }
    double floor = 1e9;
    for (int i = 0; i < kRuns; ++i) floor = std::min(floor, decompressSeconds(model));
    std::printf("decompressing every chunk alone: %.3f s\n", floor);
    return ok ? 0 : 1;
}
