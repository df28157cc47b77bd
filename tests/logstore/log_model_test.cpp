#include "logstore/log_model.h"
#include "support/log_model_text.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>

#include <random>

namespace {

// The append and trim rules written the plain way, to check the compact storage.
struct ReferenceLog {
    QStringList lines;
    void append(QStringView batch) {
        if (lines.isEmpty()) lines.append(QString());
        for (QChar ch : batch) {
            if (ch == u'\r')
                lines.append(QString());
            else if (ch == u'\t')
                lines.last() += QStringLiteral("    ");
            else
                lines.last() += ch;
        }
    }
    void trim() {
        for (QString& l : lines) {
            qsizetype n = l.size();
            while (n > 0 && l.at(n - 1).unicode() <= 0x20) --n;
            l.truncate(n);
        }
    }
};

}  // namespace

TEST(LogModel, FirstBatchCreatesLineOneAndLaterBatchesContinueTheLastLine) {
    LogModel m;
    m.append(u"X");
    m.append(u"Y");
    EXPECT_EQ(linesOf(m), QStringList{"XY"});
    m.append(u"");
    EXPECT_EQ(m.lineCount(), 1);
}

TEST(LogModel, EmptyBatchOnAnEmptyLogMakesOneEmptyLine) {
    LogModel m;
    m.append(u"");
    EXPECT_EQ(linesOf(m), QStringList{""});
}

TEST(LogModel, CarriageReturnsBreakLinesAndLineFeedsStayAsText) {
    LogModel m;
    m.append(u"A\r\rB");
    EXPECT_EQ(linesOf(m), (QStringList{"A", "", "B"}));
    m.append(u"C\r");
    EXPECT_EQ(linesOf(m), (QStringList{"A", "", "BC", ""}));
    m.append(u"\n2");  // CR in one batch, LF starting the next
    EXPECT_EQ(m.line(3), QStringLiteral("\n2"));
    m.append(u"a\r\nb");
    EXPECT_EQ(m.line(3), QStringLiteral("\n2a"));
    EXPECT_EQ(m.line(4), QStringLiteral("\nb"));
    m.append(u"\rx\ny");
    EXPECT_EQ(m.line(5), QStringLiteral("x\ny"));
}

TEST(LogModel, TabsBecomeFourSpacesAndNulStaysInItsLine) {
    LogModel m;
    m.append(u"A\tB");
    m.append(QStringView(u"\0z", 2));
    EXPECT_EQ(m.line(0), QStringLiteral("A    B") + QChar(0) + u'z');
    EXPECT_EQ(m.lineLength(0), 8);
    EXPECT_EQ(m.charAt(0, 6), QChar(0));
}

TEST(LogModel, EachBatchEmitsAppendedOnceAndClearEmitsCleared) {
    LogModel m;
    QSignalSpy appended(&m, &LogModel::appended);
    QSignalSpy cleared(&m, &LogModel::cleared);
    m.append(u"a\rb\rc\r");
    EXPECT_EQ(appended.count(), 1);
    m.clear();
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_EQ(m.lineCount(), 0);
    m.append(u"A");
    EXPECT_EQ(linesOf(m), QStringList{"A"});
}

TEST(LogModel, CharactersOutsideTheCodePageAreKeptExactly) {
    LogModel m;
    m.append(u"ab\u20AC");             // in the code page
    m.append(u"\u4E2D\U0001F600\t!");  // not: the line keeps its UTF-16 text
    m.append(u"\rnext\u00FF");
    EXPECT_EQ(m.line(0), QString::fromUtf16(u"ab\u20AC\u4E2D\U0001F600    !"));
    EXPECT_EQ(m.line(1), QString::fromUtf16(u"next\u00FF"));
    EXPECT_EQ(m.lineSlice(0, 3, 1), QString::fromUtf16(u"\u4E2D"));
    QByteArray encoded;
    m.appendEncodedLine(0, encoded);
    EXPECT_EQ(encoded, QByteArray("ab\x80??    !"));
}

TEST(LogModel, TrimRemovesTrailingBlanksAndControlsAndLaterTextFollowsTheLastKeptCharacter) {
    LogModel m;
    m.append(QStringView(u"a \r\r  b\x01\0 \rc\n\u4E2D \t", 17));
    QSignalSpy trimmed(&m, &LogModel::trimmed);
    m.trimTrailingBlanks();
    EXPECT_EQ(trimmed.count(), 1);
    EXPECT_EQ(linesOf(m), (QStringList{"a", "", "  b", QString::fromUtf16(u"c\n\u4E2D")}));
    EXPECT_EQ(m.maxLineLength(), 3);
    m.append(u"d");
    EXPECT_EQ(m.line(3), QString::fromUtf16(u"c\n\u4E2Dd"));
}

TEST(LogModel, MaxLineLengthFollowsAppendsAndClear) {
    LogModel m;
    m.append(u"abc\r12345\rxy");
    EXPECT_EQ(m.maxLineLength(), 5);
    m.append(u"zzzz");
    EXPECT_EQ(m.maxLineLength(), 6);
    m.clear();
    EXPECT_EQ(m.maxLineLength(), 0);
}

TEST(LogModel, LineSliceClampsToTheLine) {
    LogModel m;
    m.append(u"hello");
    EXPECT_EQ(m.lineSlice(0, 3, 100), QStringLiteral("lo"));
    EXPECT_EQ(m.lineSlice(0, 9, 2), QString());
}

TEST(LogModel, RandomTrafficAcrossChunkBoundariesMatchesThePlainRules) {
    std::mt19937 rng(1234);
    LogModel m;
    ReferenceLog ref;
    const char16_t alphabet[] = {u'\r', u'\n', u'\t', u' ', 0, 1, u'a', u'Z', 0xE9, 0x20AC, 0x4E2D, u'?'};
    for (int batch = 0; batch < 6000; ++batch) {
        QString text;
        const int len = std::uniform_int_distribution<int>(0, 200)(rng);
        for (int i = 0; i < len; ++i) {
            const int pick = std::uniform_int_distribution<int>(0, 99)(rng);
            // Mostly plain letters, with every special case now and then; a
            // character outside the code page only rarely, as in real traffic.
            char16_t ch = pick < 70
                              ? char16_t(u'a' + pick % 26)
                              : alphabet[std::uniform_int_distribution<int>(0, pick == 99 ? 11 : 10)(rng)];
            text.append(QChar(ch));
        }
        m.append(text);
        ref.append(text);
        if (batch % 1500 == 1499) {
            m.trimTrailingBlanks();
            ref.trim();
        }
    }
    ASSERT_EQ(m.lineCount(), ref.lines.size());
    qsizetype longest = 0;
    for (qsizetype i = 0; i < m.lineCount(); ++i) {
        ASSERT_EQ(m.line(i), ref.lines.at(i)) << "line " << i;
        longest = std::max(longest, ref.lines.at(i).size());
    }
    EXPECT_GE(m.maxLineLength(), longest);
    m.trimTrailingBlanks();
    ref.trim();
    EXPECT_EQ(linesOf(m), ref.lines);
}
