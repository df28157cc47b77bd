#include "logstore/lines_to_text.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// Byte by byte: every CR becomes the break, every other byte its code-page character.
QString referenceText(const std::string& bytes, QStringView lineBreak) {
    QString out;
    for (const char b : bytes) {
        if (b == '\r')
            out += lineBreak;
        else
            out += QChar(codepage::toUnicode(std::uint8_t(b)));
    }
    return out;
}

// Lines whose lengths cross the 8, 16, 32 and 64-byte steps the conversion
// takes, most of them plain ASCII, some with a high byte or a NUL.
std::string randomLines(std::mt19937& rng, int lines, std::size_t& breaks) {
    std::string bytes;
    std::uniform_int_distribution<int> length(0, 150);
    std::uniform_int_distribution<int> printable(0x20, 0x7E);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> percent(0, 99);
    breaks = 0;
    for (int n = 0; n < lines; ++n) {
        if (n > 0) {
            bytes += '\r';
            ++breaks;
        }
        const bool mixed = percent(rng) < 10;
        for (int c = length(rng); c > 0; --c) {
            char b = char(mixed && percent(rng) < 20 ? anyByte(rng) : printable(rng));
            if (b == '\r') b = '\n';
            bytes += b;
        }
    }
    return bytes;
}

TEST(LineText, MatchesTheByteByByteTextForEveryBreak) {
    std::mt19937 rng(17);
    const QString breaks[] = {QStringLiteral("\r\n"), QStringLiteral("\n"), QString(),
                              QStringLiteral("<br>")};
    for (int round = 0; round < 60; ++round) {
        std::size_t count = 0;
        const std::string bytes = randomLines(rng, 1 + round * 7, count);
        for (const QString& lineBreak : breaks) {
            // Text already in front must stay and the new text follow it exactly.
            QString out = QStringLiteral("kept");
            ASSERT_TRUE(logstore::appendLinesAsText(bytes, count, lineBreak, out)) << round;
            ASSERT_EQ(out, QStringLiteral("kept") + referenceText(bytes, lineBreak))
                << "round " << round << " break " << lineBreak.size();
        }
    }
}

TEST(LineText, LongRunsWithoutBreaksAndBreaksOnly) {
    const std::string longLine(1000, 'a');
    const std::string twoLong = longLine + '\r' + longLine;
    const std::string breaksOnly(300, '\r');
    for (const auto& [bytes, count] :
         {std::pair{longLine, std::size_t{0}}, std::pair{twoLong, std::size_t{1}},
          std::pair{breaksOnly, std::size_t{300}}}) {
        QString out;
        ASSERT_TRUE(logstore::appendLinesAsText(bytes, count, u"\r\n", out));
        EXPECT_EQ(out, referenceText(bytes, u"\r\n"));
    }
}

// Damaged bytes (a CR too many or too few) are refused and leave the text as it
// was. The conversion makes room for the claimed count and must not write past
// it, even into spare capacity: the memory after the room is watched.
TEST(LineText, AWrongBreakCountIsRefusedAndStaysInsideItsRoom) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        std::size_t count = 0;
        const std::string bytes = randomLines(rng, 2 + round * 5, count);
        for (const std::size_t claimed : {count - 1, count + 1, std::size_t{0}}) {
            if (claimed == count) continue;
            for (const QStringView lineBreak :
                 {QStringView(u"\r\n"), QStringView(u""), QStringView(u"<br>")}) {
                const qsizetype room = claimed > bytes.size()
                                           ? 0
                                           : qsizetype(bytes.size() - (lineBreak.isEmpty() ? 0 : claimed) +
                                                       claimed * lineBreak.size());
                QString out;
                out.reserve(4 + room + 256);
                out.resize(out.capacity(), u'#');
                out.resize(4);
                out.replace(0, 4, QStringLiteral("kept"));
                EXPECT_FALSE(logstore::appendLinesAsText(bytes, claimed, lineBreak, out)) << round;
                EXPECT_EQ(out, QStringLiteral("kept"));
                // One past the room is the terminator that resizing writes.
                const QStringView spare(out.constData() + 5 + room, out.capacity() - 5 - room);
                EXPECT_EQ(spare.count(u'#'), spare.size()) << "round " << round << " claimed " << claimed;
            }
        }
    }
}

// File bytes: every CR becomes the line end, nothing else changes.
QByteArray referenceBytes(const std::string& bytes, QByteArrayView lineEnd) {
    QByteArray out;
    for (const char b : bytes) {
        if (b == '\r')
            out += lineEnd;
        else
            out += b;
    }
    return out;
}

TEST(LineText, CopiedLinesEndWithTheLineEndAndStayInsideTheirRoom) {
    std::mt19937 rng(23);
    const QByteArray ends[] = {"\r\n", "\n", "", "<br>"};
    for (int round = 0; round < 60; ++round) {
        std::size_t count = 0;
        const std::string bytes = randomLines(rng, 1 + round * 7, count);
        for (const QByteArray& lineEnd : ends) {
            for (const std::size_t claimed : {count, count + 1, count - 1, std::size_t{0}}) {
                // The room the caller must give, then spare memory that must stay untouched.
                const std::size_t room =
                    bytes.size() + claimed * std::size_t(lineEnd.size()) + logstore::kCopySlack;
                std::vector<char> out(claimed > bytes.size() ? 64 : room + 64, '#');
                if (claimed > bytes.size()) continue;
                const std::ptrdiff_t written =
                    logstore::copyLinesAsBytes(bytes, claimed, lineEnd, out.data());
                if (claimed == count) {
                    ASSERT_GE(written, 0) << round;
                    EXPECT_EQ(QByteArray(out.data(), written), referenceBytes(bytes, lineEnd))
                        << "round " << round << " end " << lineEnd.constData();
                } else {
                    EXPECT_EQ(written, -1) << round;
                }
                EXPECT_EQ(std::count(out.begin() + std::ptrdiff_t(room), out.end(), '#'), 64) << round;
            }
        }
    }
}

}  // namespace
