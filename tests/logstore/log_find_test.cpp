#include "logstore/log_find.h"
#include "logstore/log_model.h"
#include "logstore/log_storage.h"
#include "logstore/size_limits.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

using Query = LogFinder::Query;

std::vector<qint64> found(const LogFinder& f) {
    std::vector<qint64> out;
    for (qsizetype r = 0; r < f.matchCount(); ++r) out.push_back(f.matchLine(r));
    return out;
}

// The lines a search for `q` must report, read one by one from the model.
std::vector<qint64> expected(const LogModel& m, const Query& q) {
    std::vector<qint64> out;
    const QRegularExpression re(q.text, q.matchCase ? QRegularExpression::NoPatternOption
                                                    : QRegularExpression::CaseInsensitiveOption);
    for (qsizetype i = 0; i < m.lineCount(); ++i) {
        const QString line = m.line(i);
        const bool hit = q.regularExpression
                             ? re.match(line).hasMatch()
                             : line.contains(q.text, q.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
        if (hit) out.push_back(i);
    }
    return out;
}

std::vector<qint64> search(LogFinder& f, const Query& q) {
    f.start(q);
    EXPECT_TRUE(f.waitUntilIdle(20000));
    return found(f);
}

// About `lines` lines of simulator-like traffic with a marker every 1000th line.
QString traffic(int lines, int offset = 0) {
    QString text;
    for (int i = offset; i < offset + lines; ++i) {
        text += (i % 1000 == 7)
                    ? QStringLiteral("7E8 06 41 0C 1A F8 00 00 00 mark%1\r").arg(i)
                    : QStringLiteral("7DF 02 01 0C 00 00 00 00 %1\r").arg(i % 97, 2, 10, QChar(u'0'));
    }
    return text;
}

class LogFind : public ::testing::Test {
protected:
    LogModel model;
    LogFinder finder{&model};
};

TEST_F(LogFind, PlainCaseAndRegexOverManyChunksAgreeWithLineByLine) {
    // Lines end exactly on both sides of every seal, markers land on chunk
    // edges, and bytes above 0x7F, NULs and LFs stand inside lines.
    QString text = traffic(30000);
    text += QString::fromUtf16(u"\u00c9CU \u0160koda \u0152uvre\r\u00e9cu \u0161koda \u0153uvre\r");
    text += QStringView(u"nul\0inside mark\r", 16);
    text += QStringLiteral("line\nfeed MARK\r");
    model.append(text);
    model.append(traffic(30000, 30000) + QStringLiteral("last MaRk"));
    ASSERT_GT(model.storage().sealed.size(), 3u);

    const std::vector<Query> queries = {
        {QStringLiteral("mark"), false, false},
        {QStringLiteral("mark"), true, false},
        {QStringLiteral("MARK"), true, false},
        {QString::fromUtf16(u"\u00e9cu"), false, false},
        {QString::fromUtf16(u"\u0160KODA"), false, false},
        {QString::fromUtf16(u"\u0152UVRE"), true, false},
        {QString::fromUtf16(u"l\0i", 3), true, false},
        {QStringLiteral("e\nf"), true, false},
        {QStringLiteral("00 00 00 9"), true, false},  // a line ends in "9" and the next starts with "7"
        {QStringLiteral("^7E8 .*mark[0-9]*5007$"), true, true},
        {QStringLiteral("MARK\\d+$"), false, true},
        {QStringLiteral("nothing like it"), false, false},
    };
    for (const Query& q : queries) {
        const std::vector<qint64> want = expected(model, q);
        EXPECT_EQ(search(finder, q), want) << q.text.toStdString() << " case " << q.matchCase;
        EXPECT_FALSE(finder.isSearching());
        EXPECT_EQ(finder.progress(), 100);
    }
    EXPECT_EQ(search(finder, {QStringLiteral("mark"), true, false}).size(), 61u);
}

TEST_F(LogFind, AnInvalidExpressionFindsNothingAndSaysWhy) {
    model.append(u"a(b\r");
    EXPECT_TRUE(search(finder, {QStringLiteral("a(b"), false, true}).empty());
    EXPECT_FALSE(finder.isValid());
    EXPECT_FALSE(finder.errorText().isEmpty());
    EXPECT_EQ(search(finder, {QStringLiteral("a(b"), false, false}), std::vector<qint64>{0});
    EXPECT_TRUE(finder.isValid());
}

TEST_F(LogFind, LinesOutsideTheCodePageAreMatchedByTheirText) {
    model.append(QString::fromUtf16(u"plain\r\u03a9mega wide\rafter\r\u03c9 again"));
    EXPECT_EQ(search(finder, {QString::fromUtf16(u"\u03c9"), false, false}), (std::vector<qint64>{1, 3}));
    EXPECT_EQ(search(finder, {QStringLiteral("^"), false, true}), (std::vector<qint64>{0, 1, 2, 3}));
    EXPECT_EQ(search(finder, {QStringLiteral("a"), true, false}), (std::vector<qint64>{0, 1, 2, 3}));
}

TEST_F(LogFind, NewLinesAreMatchedAsTheyArriveAndAGrowingLastLineOnce) {
    model.append(u"abc\rxy");
    EXPECT_EQ(search(finder, {QStringLiteral("abc"), false, false}), std::vector<qint64>{0});
    model.append(u"zab");  // "xyzab": not yet
    model.append(u"c");    // "xyzabc": now
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(found(finder), (std::vector<qint64>{0, 1}));
    model.append(u" more\rabc");   // line 1 grows and still matches: listed once
    model.append(traffic(20000));  // seals chunks in one batch
    model.append(u"ABC\r");
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(found(finder), expected(model, finder.query()));
    EXPECT_EQ(finder.matchCount(), 4);
    // A very long line in progress is not copied for every batch: it is
    // matched once it has ended.
    model.append(QString(100000, u'x'));
    model.append(u"abc");
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(finder.matchCount(), 4);
    model.append(u"x\rabc");
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(found(finder), expected(model, finder.query()));
    EXPECT_EQ(finder.matchCount(), 6);
}

TEST_F(LogFind, ANewSearchCancelsTheRunningOneAndStopEmptiesTheList) {
    model.append(traffic(300000));
    const Query slow{QStringLiteral("(0C|mark).*[13579]$"), false, true};
    const Query fast{QStringLiteral("mark"), true, false};
    QElapsedTimer timer;
    timer.start();
    finder.start(slow);
    EXPECT_TRUE(finder.isSearching());
    finder.start(fast);
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_EQ(search(finder, fast), expected(model, fast));

    QSignalSpy added(&finder, &LogFinder::matchesAdded);
    finder.start(slow);
    timer.restart();
    finder.stop();
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_FALSE(finder.isSearching());
    QCoreApplication::processEvents();
    EXPECT_EQ(finder.matchCount(), 0);
    EXPECT_EQ(added.count(), 0);
}

TEST_F(LogFind, ClearWhileSearchingEndsTheSearchAndEmptiesTheList) {
    model.append(traffic(300000));
    QSignalSpy reset(&finder, &LogFinder::matchesReset);
    finder.start({QStringLiteral("(0C|mark).*[13579]$"), false, true});
    while (finder.matchCount() == 0) QCoreApplication::processEvents();
    EXPECT_TRUE(finder.isSearching());
    model.clear();
    EXPECT_EQ(reset.count(), 1);
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(finder.matchCount(), 0);
    EXPECT_FALSE(finder.isSearching());
    // The search stays open on the fresh log.
    model.append(u"7E8 06 41 0C 1A F8 mark 9\rno\r");
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(found(finder), std::vector<qint64>{0});
}

TEST_F(LogFind, TrimmingBeforeASaveSearchesTheTrimmedLinesAgain) {
    model.append(traffic(40000));
    model.append(u"ends in blank \rends in nul");
    model.append(QStringView(u"\0\rlast", 6));
    const Query blank{QStringLiteral("blank "), true, false};
    EXPECT_EQ(search(finder, blank), std::vector<qint64>{40000});
    // The list open over the trimming follows it, and stays live afterwards.
    model.trimTrailingBlanks();
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_TRUE(found(finder).empty());
    model.append(u" more blank \r");
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_EQ(found(finder), std::vector<qint64>{40002});
    // Trimmed while a search runs.
    model.append(QStringView(u"\0\r", 2));
    finder.start({QStringLiteral("[ \\x00]$"), true, true});
    model.trimTrailingBlanks();
    ASSERT_TRUE(finder.waitUntilIdle(5000));
    EXPECT_TRUE(found(finder).empty());
    EXPECT_EQ(search(finder, {QStringLiteral("ends in "), true, false}), (std::vector<qint64>{40000, 40001}));
}

// The reader hands a batch over every 10 ms; a search over a long log must
// neither hold those appends up nor lose or reorder a line of them.
TEST_F(LogFind, TrafficArrivingDuringASearchIsKeptWholeAndInOrder) {
    model.append(traffic(400000));
    // The log ends in a line end: the new traffic starts on its empty last line.
    const qsizetype first = model.lineCount() - 1;
    // A slow expression: a search on the user-interface thread would hold
    // it for about half a second.
    const Query q{QStringLiteral("(\\d.*){3}[13579]$"), false, true};
    int sent = 0;
    qint64 longestGap = 0;
    QElapsedTimer gap;
    QTimer reader;
    reader.setInterval(10);
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (gap.isValid())
            longestGap = std::max(longestGap, gap.restart());
        else
            gap.start();
        QString batch;
        for (int i = 0; i < 4; ++i) batch += QStringLiteral("7E8 03 41 0C %1\r").arg(sent++);
        model.append(batch);
    });
    reader.start();
    // The search starts while the traffic flows, as the user types.
    bool started = false;
    QTimer::singleShot(50, [&] {
        finder.start(q);
        started = true;
    });
    while (!started || finder.isSearching() || sent < 400)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    reader.stop();
    ASSERT_TRUE(finder.waitUntilIdle(20000));
    ASSERT_EQ(model.lineCount(), first + sent + 1);
    for (int i = 0; i < sent; ++i)
        ASSERT_EQ(model.line(first + i), QStringLiteral("7E8 03 41 0C %1").arg(i)) << "line " << i;
    EXPECT_EQ(found(finder), expected(model, q));
    // Generous for a loaded machine and sanitizer builds.
    EXPECT_LT(longestGap, 250);
}

TEST_F(LogFind, MatchesCostAtMostSixteenBytesEach) {
    model.append(traffic(100000));
    const std::vector<qint64> all = search(finder, {QStringLiteral("0"), false, false});
    ASSERT_EQ(all.size(), 100000u);
    EXPECT_LE(finder.matchBytes(), 16u * all.size());
}

}  // namespace
