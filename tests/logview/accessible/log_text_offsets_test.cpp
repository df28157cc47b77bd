#include "logview/accessible/log_text_offsets.h"
#include "logview/accessible/log_text_window.h"

#include "logstore/log_model.h"

#include <gtest/gtest.h>

#include <climits>

using logtext::LogTextOffsets;
using logtext::LogTextWindow;
using logtext::Span;
using logtext::Unit;

namespace {

// The log as one string, line breaks as '\n': what the offsets must agree with.
QString joined(const LogModel& model) {
    QStringList lines;
    for (qsizetype i = 0; i < model.lineCount(); ++i) lines.append(model.line(i));
    return lines.join(u'\n');
}

class LogTextOffsetsTest : public ::testing::Test {
protected:
    LogModel model;
    logtext::ModelLines lines{model};
    LogTextOffsets offsets{lines};
};

// Lines of made-up length, far longer than memory would hold as text: column c
// of line l reads letter 'a' + l, every seventh character a space.
class LongLines : public logtext::LineSource {
public:
    std::vector<qsizetype> lengths;
    mutable qint64 lengthsRead = 0;
    qsizetype lineCount() const override { return static_cast<qsizetype>(lengths.size()); }
    qsizetype lineLength(qsizetype line) const override {
        ++lengthsRead;
        return lengths.at(static_cast<std::size_t>(line));
    }
    QString lineSlice(qsizetype line, qsizetype from, qsizetype count) const override {
        count = std::clamp<qsizetype>(count, 0, lineLength(line) - from);
        if (count > (qsizetype{1} << 20)) ADD_FAILURE() << "a slice of " << count << " characters was read";
        QString out;
        for (qsizetype c = from; c < from + count; ++c)
            out += c % 7 == 6 ? u' ' : QChar(char16_t(u'a' + line));
        return out;
    }
};

}  // namespace

TEST_F(LogTextOffsetsTest, OffsetsPositionsAndRangesAgreeWithTheJoinedLog) {
    // Lines across several index blocks, empty lines, a line feed inside a line,
    // and a last line without a break that keeps growing after being counted.
    QString batch;
    for (int i = 0; i < 300; ++i)
        batch += i % 37 == 0 ? QStringLiteral("\r") : QStringLiteral("row %1 x\r").arg(i);
    model.append(batch + QStringLiteral("mid\nline\rtail"));
    ASSERT_EQ(offsets.length(), joined(model).size());
    model.append(u" more\rlast");
    const QString all = joined(model);
    ASSERT_EQ(offsets.length(), all.size());
    for (qint64 o = 0; o <= all.size(); ++o) {
        const TextPos pos = offsets.positionOf(o);
        ASSERT_EQ(offsets.offsetOf(pos), o);
        ASSERT_LE(pos.column, model.lineLength(pos.line));
    }
    for (qint64 from : {0, 1, 9, 500, 1200, int(all.size()) - 4})
        for (qint64 to : {from, from + 1, from + 7, from + 900, qint64(all.size())})
            EXPECT_EQ(offsets.text(from, to), all.mid(from, std::max<qint64>(to - from, 0)))
                << from << ".." << to;
    // Out of range: clamped into the text.
    EXPECT_EQ(offsets.offsetOf({model.lineCount() + 5, 99}), all.size());
    EXPECT_EQ(offsets.offsetOf({2, 1000}), offsets.offsetOf({3, 0}) - 1);
    EXPECT_EQ(offsets.positionOf(-4), (TextPos{0, 0}));
    EXPECT_EQ(offsets.text(all.size() - 4, all.size() + 100), QStringLiteral("last"));

    // After a clear and a reset, the index counts the new log.
    model.clear();
    offsets.reset();
    model.append(u"one\rtwo");
    EXPECT_EQ(offsets.length(), 7);
    EXPECT_EQ(offsets.positionOf(4), (TextPos{1, 0}));
}

TEST_F(LogTextOffsetsTest, AnEmptyLogHasNothingAnywhere) {
    EXPECT_EQ(offsets.length(), 0);
    EXPECT_EQ(offsets.positionOf(3), (TextPos{0, 0}));
    EXPECT_EQ(offsets.offsetOf({2, 2}), 0);
    EXPECT_EQ(offsets.text(0, 10), QString());
    for (Unit unit : {Unit::Character, Unit::Word, Unit::Line}) {
        EXPECT_EQ(offsets.unitAt(0, unit), (Span{0, 0}));
        EXPECT_EQ(offsets.unitBefore(0, unit), (Span{0, 0}));
        EXPECT_EQ(offsets.unitAfter(0, unit), (Span{0, 0}));
    }
}

TEST_F(LogTextOffsetsTest, CharactersWordsAndLinesAroundLineEnds) {
    // "ab  cd\n" (0..6, break at 6), "\n" (7), "x'y" (8..10, no break after it).
    model.append(u"ab  cd\r\rx'y");
    ASSERT_EQ(offsets.length(), 11);

    EXPECT_EQ(offsets.unitAt(6, Unit::Character), (Span{6, 7}));  // the line break
    EXPECT_EQ(offsets.unitAt(11, Unit::Character), (Span{11, 11}));
    EXPECT_EQ(offsets.unitBefore(11, Unit::Character), (Span{10, 11}));
    EXPECT_EQ(offsets.unitAfter(10, Unit::Character), (Span{11, 11}));

    // A line holds its break; the break's offset belongs to its line.
    EXPECT_EQ(offsets.unitAt(0, Unit::Line), (Span{0, 7}));
    EXPECT_EQ(offsets.unitAt(6, Unit::Line), (Span{0, 7}));
    EXPECT_EQ(offsets.unitAt(7, Unit::Line), (Span{7, 8}));
    EXPECT_EQ(offsets.unitAt(11, Unit::Line), (Span{8, 11}));  // the end: the last line
    EXPECT_EQ(offsets.unitBefore(8, Unit::Line), (Span{7, 8}));
    EXPECT_EQ(offsets.unitBefore(3, Unit::Line), (Span{0, 0}));
    EXPECT_EQ(offsets.unitAfter(7, Unit::Line), (Span{8, 11}));
    EXPECT_EQ(offsets.unitAfter(9, Unit::Line), (Span{11, 11}));

    // A word runs to the next word's start; apostrophes divide words as a double click does.
    EXPECT_EQ(offsets.unitAt(1, Unit::Word), (Span{0, 4}));
    EXPECT_EQ(offsets.unitAt(3, Unit::Word), (Span{0, 4}));
    EXPECT_EQ(offsets.unitAt(4, Unit::Word), (Span{4, 7}));
    EXPECT_EQ(offsets.unitAt(6, Unit::Word), (Span{4, 7}));
    EXPECT_EQ(offsets.unitAfter(5, Unit::Word), (Span{7, 8}));
    EXPECT_EQ(offsets.unitAt(8, Unit::Word), (Span{8, 10}));
    EXPECT_EQ(offsets.unitAt(9, Unit::Word), (Span{8, 10}));
    EXPECT_EQ(offsets.unitAt(10, Unit::Word), (Span{10, 11}));
    EXPECT_EQ(offsets.unitAt(11, Unit::Word), (Span{10, 11}));
    EXPECT_EQ(offsets.unitBefore(8, Unit::Word), (Span{7, 8}));
    EXPECT_EQ(offsets.unitBefore(4, Unit::Word), (Span{0, 4}));
    EXPECT_EQ(offsets.unitAfter(10, Unit::Word), (Span{11, 11}));
    EXPECT_EQ(offsets.text(4, 7), QStringLiteral("cd\n"));
}

TEST(LogTextOffsetsCacheTest, OffsetAfterOffsetCostsAFewLineLengthsInAnyOrder) {
    // 20,000 lines of 0 to 40 characters, the caret's line (the last) asked
    // between the lookups, as the accessible text does.
    LongLines lines;
    for (int i = 0; i < 20000; ++i) lines.lengths.push_back(i * 7 % 41);
    LogTextOffsets offsets(lines);
    std::vector<TextPos> at;  // what every offset must give
    for (qsizetype line = 0; line < lines.lineCount(); ++line)
        for (qsizetype column = 0; column <= lines.lengths[std::size_t(line)]; ++column)
            at.push_back({line, column});
    const qint64 length = offsets.length();
    ASSERT_EQ(length + 1, qint64(at.size()));
    lines.lengthsRead = 0;
    for (qint64 o = 0; o <= length; ++o) {
        ASSERT_EQ(offsets.positionOf(o), at[std::size_t(o)]) << o;
        ASSERT_EQ(offsets.offsetOf({lines.lineCount() - 1, 3}), length - lines.lengths.back() + 3);
    }
    EXPECT_LT(lines.lengthsRead, 12 * (length + 1))
        << "lengths read per offset: " << lines.lengthsRead / length;
    for (qint64 o = length; o >= 0; o -= 3) ASSERT_EQ(offsets.positionOf(o), at[std::size_t(o)]) << o;
    for (qint64 o = 0, step = 1; o <= length; o += step, step = step * 5 % 9973)
        ASSERT_EQ(offsets.offsetOf(offsets.positionOf(o)), o);
    // Lines added after the lookups leave the known offsets right.
    lines.lengths.push_back(5);
    EXPECT_EQ(offsets.length(), length + 6);
    EXPECT_EQ(offsets.positionOf(length + 2), (TextPos{20000, 1}));
    EXPECT_EQ(offsets.positionOf(length - 1), at[std::size_t(length - 1)]);
}

TEST(LogTextWindowTest, ALogLongerThanAnIntShowsAWindowThatHoldsStillAroundTheCaret) {
    constexpr qsizetype kBillion = 1'000'000'000;
    LongLines lines;
    LogTextOffsets offsets(lines);
    LogTextWindow window(offsets);

    lines.lengths = {5, 0, 9};
    EXPECT_FALSE(window.follow(16));
    EXPECT_EQ(window.count(), 16);  // a log that fits is shown whole

    lines.lengths = {kBillion, kBillion, kBillion};
    offsets.reset();
    const qint64 end = offsets.length();
    ASSERT_EQ(end, 3 * kBillion + 2);
    // The caret at the end: the window starts at a line start, reaches the end
    // and holds as much of the log before the caret as it can.
    EXPECT_TRUE(window.follow(end));
    EXPECT_EQ(window.base(), kBillion + 1);
    EXPECT_EQ(window.count(), 2 * kBillion + 1);
    EXPECT_EQ(window.toLocal(end), window.count());
    EXPECT_EQ(window.toGlobal(0), kBillion + 1);
    EXPECT_EQ(offsets.text(window.toGlobal(0), window.toGlobal(3)), QStringLiteral("bbb"));
    // A word deep inside a line is found without reading the line.
    EXPECT_EQ(offsets.unitAt(window.toGlobal(700'000'003), Unit::Word),
              (Span{window.toGlobal(700'000'000), window.toGlobal(700'000'007)}));

    // Appends within the window leave it where it is, so offsets hold still.
    lines.lengths.push_back(100'000'000);
    EXPECT_FALSE(window.follow(offsets.length()));
    EXPECT_EQ(window.count(), 2 * kBillion + 100'000'002);
    // Past its end it moves once, so that the caret lies about three quarters in.
    lines.lengths.push_back(kBillion);
    const qint64 longer = offsets.length();
    EXPECT_TRUE(window.follow(longer));
    EXPECT_EQ(window.base(), 2 * kBillion + 2);
    EXPECT_EQ(window.toLocal(longer), window.count());
    EXPECT_LE(window.count(), INT_MAX);
    EXPECT_FALSE(window.follow(longer));

    // Back to the start (Ctrl+Home): the first INT_MAX characters.
    EXPECT_TRUE(window.follow(0));
    EXPECT_EQ(window.base(), 0);
    EXPECT_EQ(window.count(), INT_MAX);
    EXPECT_EQ(window.toLocal(3 * kBillion), INT_MAX);  // beyond the window: clamped to its end
}
