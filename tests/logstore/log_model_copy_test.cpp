#include "logstore/chunk_codec.h"
#include "logstore/log_file_writer.h"
#include "logstore/log_model.h"
#include "logstore/size_limits.h"
#include "support/error_box_recorder.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <random>

namespace {

// The text of a range put together line by line from line(): what a copy must give.
QString referenceText(const LogModel& m, qsizetype fromLine, qsizetype fromColumn, qsizetype toLine,
                      qsizetype toColumn, const QString& lineBreak) {
    QString out;
    for (qsizetype i = fromLine; i <= toLine; ++i) {
        if (i != fromLine) out += lineBreak;
        const QString line = m.line(i);
        const qsizetype a = std::clamp<qsizetype>(i == fromLine ? fromColumn : 0, 0, line.size());
        const qsizetype b = std::clamp<qsizetype>(i == toLine ? toColumn : line.size(), a, line.size());
        out += line.mid(a, b - a);
    }
    return out;
}

// About 1.3 MB of lines of varying length over every byte value but CR, among
// them characters outside the code page, sealed into several chunks.
QStringList fillMixed(LogModel& m) {
    std::mt19937 rng(9);
    QStringList lines;
    QString batch;
    for (int n = 0; n < 60000; ++n) {
        QString line;
        const int length = std::uniform_int_distribution<int>(0, 40)(rng);
        for (int c = 0; c < length; ++c) {
            // Every byte's character, 0x80..0x9F included (the euro sign and the like).
            char16_t ch = codepage::toUnicode(std::uint8_t(std::uniform_int_distribution<int>(0, 255)(rng)));
            if (ch == u'\r' || ch == u'\t') ch = u'x';
            if (n % 3 == 0) ch = char16_t(u'0' + c % 10);  // plain digits: the widening fast path
            line += QChar(ch);
        }
        if (n % 997 == 0) line += QString::fromUtf16(u"\u4E2D\u00E9\U0001F600");  // outside the page
        lines.append(line);
        batch += line + u'\r';
        if (batch.size() > 100000) {
            m.append(batch);
            batch.clear();
        }
    }
    m.append(batch);
    lines.append(QString());  // the open last line
    return lines;
}

}  // namespace

TEST(LogModelCopy, ChunkWiseTextMatchesTheLineByLineText) {
    LogModel m;
    const QStringList lines = fillMixed(m);
    ASSERT_EQ(m.lineCount(), lines.size());
    ASSERT_GT(m.storageBytes(), 0);
    std::mt19937 rng(3);
    const qsizetype last = m.lineCount() - 1;
    auto check = [&](qsizetype a, qsizetype ac, qsizetype b, qsizetype bc, const QString& lineBreak) {
        QString out = QStringLiteral("kept:");
        m.appendText(a, ac, b, bc, lineBreak, out);
        ASSERT_EQ(out, QStringLiteral("kept:") + referenceText(m, a, ac, b, bc, lineBreak))
            << a << ":" << ac << " .. " << b << ":" << bc;
    };
    // Whole log, single lines with partial columns, the first wide line alone and
    // as the range's ends, spans crossing chunk ends and reaching the open chunk.
    check(0, 0, last, 1000, QStringLiteral("\r\n"));
    check(0, 0, last, 1000, QStringLiteral("\n"));
    check(0, 0, 0, 0, QStringLiteral("\r\n"));
    check(997 * 3, 2, 997 * 3, 5, QStringLiteral("\r\n"));
    check(997, 41, 997 * 5, 40, QStringLiteral("\r\n"));
    check(last - 5, 3, last, 0, QStringLiteral("\r\n"));
    for (int round = 0; round < 300; ++round) {
        const qsizetype a = std::uniform_int_distribution<qsizetype>(0, last)(rng);
        const qsizetype span = std::uniform_int_distribution<qsizetype>(0, round % 2 ? 30 : 20000)(rng);
        const qsizetype b = std::min(last, a + span);
        const qsizetype ac = std::uniform_int_distribution<qsizetype>(0, 45)(rng);
        const qsizetype bc = std::uniform_int_distribution<qsizetype>(0, 45)(rng);
        if (a == b && bc < ac) continue;
        check(a, ac, b, bc, QStringLiteral("\r\n"));
    }
    // The lines themselves are still the ones appended.
    for (qsizetype i = 0; i <= last; i += 613) EXPECT_EQ(m.line(i), lines.at(i)) << i;

    // Whole chunks that are not cached (trimming empties the cache), with the
    // range's ends inside them or on the neighbouring chunks, any line break.
    for (int round = 0; round < 40; ++round) {
        m.trimTrailingBlanks();
        const qsizetype a = std::uniform_int_distribution<qsizetype>(0, last)(rng);
        const qsizetype b = std::min(last, a + std::uniform_int_distribution<qsizetype>(0, 40000)(rng));
        const QString lineBreak = round % 3 == 0   ? QStringLiteral("\n")
                                  : round % 3 == 1 ? QString()
                                                   : QStringLiteral("\r\n");
        check(a, std::uniform_int_distribution<qsizetype>(0, 45)(rng), b,
              std::uniform_int_distribution<qsizetype>(0, 45)(rng), lineBreak);
    }
    m.trimTrailingBlanks();
    check(0, 3, last, 7, QString());
}

TEST(LogModelCopy, RangesEndingAtChunkEndsKeepTheirColumns) {
    // Lines of one length, so that the chunks' first lines are known.
    LogModel m;
    QString batch;
    for (int i = 0; i < 40000; ++i)
        batch += QStringLiteral("7E8 06 41 0C %1 00 00\r").arg(i, 8, 10, QChar(u'0'));
    m.append(batch);
    const qsizetype perChunk = qsizetype(logstore::kChunkBytes + 1 + 27) / 28;  // 27 characters and a CR
    struct Range {
        qsizetype a, ac, b, bc;
    };
    for (const Range r : {Range{perChunk, 5, 2 * perChunk - 1, 9}, Range{perChunk, 30, 3 * perChunk - 1, 0},
                          Range{perChunk - 1, 26, 2 * perChunk - 1, 27}, Range{perChunk, 0, perChunk, 4},
                          Range{0, 3, perChunk - 1, 12}}) {
        for (const QString& lineBreak : {QStringLiteral("\r\n"), QString()}) {
            m.trimTrailingBlanks();  // empties the cache
            QString out;
            m.appendText(r.a, r.ac, r.b, r.bc, lineBreak, out);
            EXPECT_EQ(out, referenceText(m, r.a, r.ac, r.b, r.bc, lineBreak))
                << r.a << ":" << r.ac << " .. " << r.b;
        }
    }
}

namespace {

class LogModelOutOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 40000; ++i)
            block += QStringLiteral("7E8 06 41 0C %1 00 00\r").arg(i, 8, 10, QChar(u'0'));
        model.append(block + QStringLiteral("tail"));
        ASSERT_GT(model.storageBytes(), 0);
    }
    void TearDown() override { logstore::failNextDecodesForTest(0); }
    QString lineAt(qsizetype i) const {
        return (block + QStringLiteral("tail")).section(u'\r', int(i), int(i));
    }

    QString block;
    LogModel model;
    ErrorBoxRecorder errors;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(LogModelOutOfMemory, AnUndecodableLineReadsEmptyOnceAndRightAfterwards) {
    // The first line lies in a sealed chunk that is not cached yet; both the
    // decode and its retry after emptying the cache fail.
    logstore::failNextDecodesForTest(2);
    EXPECT_EQ(model.line(0), QString());
    EXPECT_EQ(model.line(0), lineAt(0));
    EXPECT_EQ(model.line(1), lineAt(1));
    EXPECT_EQ(model.lineCount(), 40001);

    // One failure only: the retry after emptying the cache serves the line.
    logstore::failNextDecodesForTest(1);
    EXPECT_EQ(model.line(30000), lineAt(30000));

    // A copy across the failing chunks gives empty lines, the next copy the text.
    logstore::failNextDecodesForTest(1000);
    QString out;
    model.appendText(0, 0, 3, 100, u"\r\n", out);
    EXPECT_EQ(out, QStringLiteral("\r\n\r\n\r\n"));
    // Memory for a whole chunk's scratch copy fails: the cache serves it instead.
    logstore::failNextDecodesForTest(1);
    out.clear();
    model.appendText(0, 0, 40000, 100, u"\r\n", out);
    EXPECT_EQ(out,
              QString(block).replace(QStringLiteral("\r"), QStringLiteral("\r\n")) + QStringLiteral("tail"));
    logstore::failNextDecodesForTest(0);
    out.clear();
    model.appendText(0, 0, 40000, 100, u"\r\n", out);
    EXPECT_EQ(out,
              QString(block).replace(QStringLiteral("\r"), QStringLiteral("\r\n")) + QStringLiteral("tail"));
}

TEST_F(LogModelOutOfMemory, SavingReportsTheFailureInsteadOfWritingLinesMissing) {
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    // Both the decode and its retry after emptying the cache fail.
    logstore::failNextDecodesForTest(2);
    EXPECT_FALSE(logfile::save(model, path));
    EXPECT_EQ(errors.count(), 1);
    EXPECT_FALSE(QFile::exists(path)) << "no file with lines missing";

    // Trimming a chunk that cannot be decoded leaves its lines as they are.
    model.append(u"  \r");
    logstore::failNextDecodesForTest(1000);
    model.trimTrailingBlanks();
    logstore::failNextDecodesForTest(0);
    for (qsizetype i : {0, 12345, 39999, 40000}) EXPECT_EQ(model.line(i), lineAt(i).trimmed()) << i;

    EXPECT_TRUE(logfile::save(model, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), (QString(block).replace(QStringLiteral("\r"), QStringLiteral("\r\n")) +
                               QStringLiteral("tail\r\n\r\n"))
                                  .toLatin1());
}
