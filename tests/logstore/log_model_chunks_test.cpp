#include "logstore/chunk_codec.h"
#include "logstore/log_model.h"
#include "logstore/size_limits.h"
#include "support/log_model_text.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>

namespace {

constexpr qsizetype kChunk = qsizetype(logstore::kChunkBytes);

QByteArray savedLineByLine(const LogModel& m) {
    QByteArray out;
    for (qsizetype i = 0; i < m.lineCount(); ++i) {
        m.appendEncodedLine(i, out);
        out.append("\r\n");
    }
    return out;
}

// A line of `length` characters that shows its own number at its start.
QString numbered(qsizetype n, qsizetype length) {
    QString s = QString::number(n).leftJustified(length, u'.');
    s.truncate(length);
    return s;
}

}  // namespace

TEST(LogModelChunks, ALineContinuedAfterTheChunkFillsUpStaysWhole) {
    // The open chunk reaches its size in the middle of a line; that line goes on
    // in the next batches and is sealed with its end.
    LogModel m;
    QStringList expected;
    QString text;
    for (qsizetype n = 0; text.size() + 40 < kChunk; ++n) {
        expected.append(numbered(n, 39));
        text += expected.last() + u'\r';
    }
    const QString split = QStringLiteral("first half|") + QString(60, u'x');
    m.append(text + split.left(11));
    m.append(split.mid(11));
    m.append(QStringLiteral("|second half\rnext"));
    expected.append(split + QStringLiteral("|second half"));
    expected.append(QStringLiteral("next"));
    EXPECT_EQ(linesOf(m), expected);
    EXPECT_EQ(savedBytes(m), savedLineByLine(m));
    m.append(u" more");
    EXPECT_EQ(m.line(m.lineCount() - 1), QStringLiteral("next more"));
}

TEST(LogModelChunks, LinesExactlyAtTheChunkSizeAndOneEitherSide) {
    LogModel m;
    QStringList expected;
    for (qsizetype length : {kChunk, kChunk - 1, kChunk + 1, qsizetype(0), kChunk, qsizetype(1)}) {
        expected.append(numbered(expected.size(), length));
        m.append(expected.last() + u'\r');
    }
    // The open chunk ends exactly at the chunk size with a line end.
    expected.append(numbered(expected.size(), kChunk - 2));
    m.append(expected.last());
    m.append(u"\r");
    expected.append(QString());
    EXPECT_EQ(m.lineCount(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) EXPECT_EQ(m.line(i), expected.at(i)) << "line " << i;
    EXPECT_EQ(m.maxLineLength(), kChunk + 1);
    EXPECT_EQ(savedBytes(m), savedLineByLine(m));
}

TEST(LogModelChunks, AMegabyteLineWithEveryByteValueAmongShortLines) {
    LogModel m;
    // Every byte value the serial line can carry, as the reader hands it over;
    // CR breaks the line and TAB widens, so they stay out of the long line.
    QString every;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\t') every.append(QChar(b));
    QString big;
    while (big.size() < (qsizetype(1) << 20)) big += every;
    m.append(u"short\r");
    m.append(big.left(1000));
    m.append(big.mid(1000) + u'\r');
    for (int i = 0; i < 3; ++i) m.append(every + u'\r');
    m.append(QStringView(u"nul\0end", 7));
    ASSERT_EQ(m.lineCount(), 6);
    EXPECT_EQ(m.line(0), QStringLiteral("short"));
    EXPECT_EQ(m.line(1), big);
    EXPECT_EQ(m.lineSlice(1, 500000, 3), big.mid(500000, 3));
    EXPECT_EQ(m.charAt(1, big.size() - 1), big.back());
    EXPECT_EQ(m.line(4), every);
    EXPECT_EQ(m.line(5), QString::fromUtf16(u"nul\0end", 7));
    EXPECT_EQ(m.maxLineLength(), big.size());
    EXPECT_EQ(savedBytes(m), savedLineByLine(m));
}

TEST(LogModelChunks, ClearInTheMiddleOfSealedChunksStartsAFreshLog) {
    LogModel m;
    QString block;
    for (int i = 0; i < 20000; ++i) block += numbered(i, 30) + u'\r';
    m.append(block);
    m.append(block + QStringLiteral("tail"));
    ASSERT_EQ(m.lineCount(), 40001);
    EXPECT_EQ(m.line(25000), numbered(5000, 30));
    QSignalSpy cleared(&m, &LogModel::cleared);
    m.clear();
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_EQ(m.lineCount(), 0);
    EXPECT_EQ(m.maxLineLength(), 0);
    EXPECT_EQ(savedBytes(m), QByteArray());
    m.append(u"a\rbb");
    m.append(block);
    EXPECT_EQ(m.lineCount(), 20002);
    EXPECT_EQ(m.line(0), QStringLiteral("a"));
    EXPECT_EQ(m.line(1), QStringLiteral("bb") + numbered(0, 30));
    EXPECT_EQ(m.line(20000), numbered(19999, 30));
    EXPECT_EQ(m.maxLineLength(), 32);
    EXPECT_EQ(savedBytes(m), savedLineByLine(m));
}

TEST(LogModelChunks, TrimReachesSealedLinesAndLaterLinesFollow) {
    LogModel m;
    QString block;
    for (int i = 0; i < 30000; ++i)
        block += numbered(i, 20) + (i % 3 == 0 ? QStringLiteral("  \x01") : QString()) + u'\r';
    m.append(block);
    m.append(QStringLiteral("\u4E2D wide  \rlast \t"));
    m.trimTrailingBlanks();
    EXPECT_EQ(m.line(0), numbered(0, 20));
    EXPECT_EQ(m.line(1), numbered(1, 20));
    EXPECT_EQ(m.line(29999), numbered(29999, 20));
    EXPECT_EQ(m.line(30000), QString::fromUtf16(u"\u4E2D wide"));
    EXPECT_EQ(m.line(30001), QStringLiteral("last"));
    EXPECT_EQ(m.maxLineLength(), 20);
    m.append(u"!\rx");
    EXPECT_EQ(m.line(30001), QStringLiteral("last!"));
    EXPECT_EQ(m.line(30002), QStringLiteral("x"));
    EXPECT_EQ(m.lineCount(), 30003);
}

TEST(LogModelChunks, SimulatorTrafficShrinksToAFewBytesALine) {
    // Engine speed answers with a changing value; the open chunk and the cache
    // cost the same at any length, so the growth between two lengths counts.
    LogModel m;
    QString batch;
    for (int i = 0; i < 200000; ++i)
        batch += QStringLiteral("7E8 04 41 0C %1 %2 00 00 00\r")
                     .arg((i / 3) & 0xFF, 2, 16, QChar(u'0'))
                     .arg((i * 13) & 0xFF, 2, 16, QChar(u'0'))
                     .toUpper();
    m.append(batch);
    const qsizetype before = m.storageBytes();
    m.append(batch);
    EXPECT_LT(double(m.storageBytes() - before) / 200000.0, 2.0);
    EXPECT_EQ(m.line(323456), batch.mid(123456 * 28, 27));
}

TEST(LogModelChunks, TextOfARangeAcrossChunksJoinsTheLinesPieces) {
    LogModel m;
    QString block;
    for (int i = 0; i < 20000; ++i) block += numbered(i, 25) + u'\r';
    m.append(block + QStringLiteral("\u4E2D wide"));
    QString out = QStringLiteral("head:");
    m.appendText(3, 2, 20000, 3, u"\r\n", out);
    QString expected = QStringLiteral("head:");
    for (qsizetype i = 3; i <= 20000; ++i) {
        if (i != 3) expected += QStringLiteral("\r\n");
        expected += i == 20000 ? m.lineSlice(i, 0, 3) : m.lineSlice(i, i == 3 ? 2 : 0, 100);
    }
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(out.endsWith(QString::fromUtf16(u"\r\n\u4E2D w")));
    out.clear();
    m.appendText(5, 30, 5, 40, u"\r\n", out);  // columns beyond the line
    EXPECT_EQ(out, QString());
}

TEST(LogModelChunks, SavingChunksWithAndWithoutWideLinesGivesEveryLine) {
    // Chunks without a wide line are written whole, the others line by line;
    // lengths from 20 to 79 cross the steps of the whole-chunk copy.
    LogModel m;
    QString batch;
    for (int i = 0; i < 60000; ++i) {
        batch += numbered(i, 20 + i % 60);
        if (i == 15000 || i == 15001 || i == 41000) batch += QStringLiteral(" \u4E2D");
        batch += u'\r';
        if (batch.size() > 50000) {
            m.append(batch);
            batch.clear();
        }
    }
    m.append(batch + QStringLiteral("open tail"));
    ASSERT_EQ(m.lineCount(), 60001);
    const QByteArray whole = savedBytes(m);
    EXPECT_EQ(whole, savedLineByLine(m));
    EXPECT_TRUE(whole.endsWith("\r\n59999" + QByteArray(74, '.') + "\r\nopen tail\r\n"));
}
