// Lines longer than a compression piece, and one longer than 4 GiB: a device
// that ends its lines with LF alone sends one line for hours.
#include "logstore/log_model.h"
#include "logstore/size_limits.h"
#include "support/log_model_text.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

// Lines of the simulator's traffic ended by LF alone: all one line to the log.
const QString kLfTraffic = QStringLiteral("7E8 06 41 0C 1A F8 00 00\n7E8 03 41 0D 37\n");

// Pieces of 4 KiB stand for the normal 64 MiB ones.
constexpr std::size_t kSmallPieces = 4096;

}  // namespace

TEST(LongLines, AChunkOfManyPiecesReadsCopiesTrimsAndSavesExactly) {
    // Short lines and one line of a hundred pieces with blanks at its end, sealed
    // together at that line's end; short lines in the open chunk after them.
    QString longLine;
    while (longLine.size() < 400000) longLine += kLfTraffic;
    longLine += QStringLiteral("END  ");
    QStringList lines{QStringLiteral("first"), QStringLiteral("second "), longLine};
    for (int i = 0; i < 10000; ++i) lines.append(QStringLiteral("7E8 03 41 0D %1").arg(i));
    lines.append(QStringLiteral("open"));
    LogModel m(kSmallPieces);
    m.append(lines.join(u'\r'));
    ASSERT_EQ(m.lineCount(), lines.size());

    for (qsizetype i : {0, 1, 2, 3, 9000, 10003}) EXPECT_EQ(m.line(i), lines[i]) << i;
    EXPECT_EQ(m.lineLength(2), longLine.size());
    EXPECT_EQ(m.maxLineLength(), longLine.size());
    EXPECT_EQ(m.lineSlice(2, longLine.size() - 5, 10), QStringLiteral("END  "));

    QString copied;
    m.appendText(1, 3, 3, 4, u"\r\n", copied);
    EXPECT_EQ(copied, QStringLiteral("ond \r\n") + longLine + QStringLiteral("\r\n7E8 "));
    EXPECT_EQ(savedBytes(m), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());

    m.trimTrailingBlanks();
    for (QString& line : lines) line = line.trimmed();
    EXPECT_EQ(m.line(2), lines[2]);
    EXPECT_EQ(savedBytes(m), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
}

TEST(LongLines, APieceSizeChangesHowChunksArePackedNotWhatTheyHold) {
    QString longLine;
    while (longLine.size() < 300000) longLine += kLfTraffic;
    const QString text = QStringLiteral("a\r") + longLine + QStringLiteral("\rb\r");
    LogModel small(kSmallPieces);
    LogModel normal;
    small.append(text);
    normal.append(text);
    EXPECT_GT(small.storageBytes(), normal.storageBytes()) << "small pieces compress less well";
    EXPECT_EQ(small.line(1), longLine);
    EXPECT_EQ(savedBytes(small), savedBytes(normal));
    EXPECT_EQ(savedBytes(small),
              (QStringLiteral("a\r\n") + longLine + QStringLiteral("\r\nb\r\n\r\n")).toLatin1());
}

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
constexpr bool kUnderSanitizer = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kUnderSanitizer = false;
#endif

qint64 availableMemory() {
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : info.readAll().split('\n'))
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').first().toLongLong() << 10;
    return 0;
}

}  // namespace

// The real thing, in pieces of the normal size: one line of more than 4 GiB between short
// ones in the same chunk. Needs about 9 GiB for a moment (the open chunk's
// growth) and half a minute; the sanitizer builds, whose shadow memory would
// multiply that, leave it out.
TEST(LongLine, LongerThanFourGibibytesReadsBackAndSavesExactly) {
    if (kUnderSanitizer) GTEST_SKIP() << "needs gigabytes of memory that a sanitizer multiplies";
    if (availableMemory() < (qint64{12} << 30)) GTEST_SKIP() << "needs 12 GiB of free memory";
    QString batch;
    while (batch.size() < (qsizetype{64} << 20)) batch += kLfTraffic;
    const qsizetype period = kLfTraffic.size();
    const qsizetype batches = ((qsizetype{1} << 32) / batch.size()) + 1;
    const qsizetype longLength = batches * batch.size() + 3;
    ASSERT_GT(longLength, qsizetype{1} << 32);

    LogModel m;
    m.append(u"first\rsecond\r");
    for (qsizetype i = 0; i < batches; ++i) m.append(batch);
    batch = QString();
    m.append(u"END\rnext");
    ASSERT_EQ(m.lineCount(), 4);
    EXPECT_LT(m.storageBytes(), qsizetype{1} << 30) << "the long line's chunk was sealed";

    EXPECT_EQ(m.line(0), QStringLiteral("first"));
    EXPECT_EQ(m.line(1), QStringLiteral("second"));
    EXPECT_EQ(m.lineLength(2), longLength);
    EXPECT_EQ(m.maxLineLength(), longLength);
    const qsizetype beyond = (qsizetype{1} << 32) + 7;
    EXPECT_EQ(m.lineSlice(2, beyond, period), (kLfTraffic + kLfTraffic).mid(beyond % period, period));
    EXPECT_EQ(m.lineSlice(2, longLength - 4, 10), QStringLiteral("\nEND"));
    EXPECT_EQ(m.line(3), QStringLiteral("next"));

    // The saved bytes, checked as they stream past.
    const QByteArray head = "first\r\nsecond\r\n";
    const QByteArray tail = "END\r\nnext\r\n";
    const QByteArray pattern = kLfTraffic.toLatin1().repeated(3);
    qint64 at = 0;
    bool same = true;
    EXPECT_TRUE(m.writeEncoded("\r\n", [&](QByteArrayView block) {
        for (qsizetype i = 0; i < block.size() && same;) {
            const qint64 o = at + i;
            qsizetype n = 1;
            if (o < head.size()) {
                same = block[i] == head[o];
            } else if (o < head.size() + longLength - 3) {
                const qint64 inLine = o - head.size();
                n = std::min<qsizetype>(block.size() - i, 2 * period);
                n = std::min<qsizetype>(n, head.size() + longLength - 3 - o);
                same =
                    std::memcmp(block.data() + i, pattern.constData() + inLine % period, std::size_t(n)) == 0;
            } else {
                const qint64 t = o - head.size() - (longLength - 3);
                same = t < tail.size() && block[i] == tail[t];
            }
            i += n;
        }
        at += block.size();
        return same;
    }));
    EXPECT_TRUE(same) << "the saved bytes differ near byte " << at;
    EXPECT_EQ(at, head.size() + longLength - 3 + tail.size());
}

TEST(LongLine, ABlankLineSealedAloneAndTrimmedToNothingCopiesAndSavesAsAnEmptyLine) {
    // Trimming leaves a sealed chunk whose one line is empty: a chunk of no bytes.
    LogModel m;
    m.append(QString(int(logstore::kChunkBytes) + 10, u' ') + QStringLiteral("\r"));
    m.append(QStringLiteral("after\rlast"));
    m.trimTrailingBlanks();
    ASSERT_EQ(m.lineCount(), 3);
    // Before any read of line 0, so that its chunk is not cached yet.
    QString copied = QStringLiteral("kept:");
    m.appendText(0, 0, 1, 5, u"\r\n", copied);
    EXPECT_EQ(copied, QStringLiteral("kept:\r\nafter"));
    EXPECT_EQ(savedBytes(m), QByteArray("\r\nafter\r\nlast\r\n"));
    EXPECT_EQ(m.line(0), QString());
}
