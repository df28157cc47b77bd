#include "logview/log_view_state.h"

#include "logstore/log_model.h"

#include <gtest/gtest.h>

namespace {

using Move = LogViewState::Move;

class LogViewStateTest : public ::testing::Test {
protected:
    void SetUp() override { state.setPageSize(10, 20); }
    LogModel model;
    LogViewState state{model};
};

}  // namespace

TEST_F(LogViewStateTest, FollowingTheEndScrollsTheLastLineToTheBottomRow) {
    for (int i = 0; i < 30; ++i) model.append(u"line\r");
    model.append(u"end");
    state.followEnd();
    EXPECT_EQ(state.caret(), (TextPos{30, 3}));
    EXPECT_EQ(state.firstLine(), 21);  // line 30 is the last of 10 rows
    EXPECT_EQ(state.maxFirstLine(), 21);
}

TEST_F(LogViewStateTest, FollowingTheEndKeepsTwoColumnsBeyondTheCaret) {
    model.append(QString(25, u'a'));
    state.followEnd();
    // Caret column 25 becomes the last fully visible column minus two: 25 + 2 = 27 = first + 19.
    EXPECT_EQ(state.firstColumn(), 8);
    model.append(u"\rb");
    state.followEnd();
    EXPECT_EQ(state.caret(), (TextPos{1, 1}));
    EXPECT_EQ(state.firstColumn(), 0);  // left of the first column: caret minus 2, not below 0
}

TEST_F(LogViewStateTest, ALineAsWideAsTheTextAreaScrollsToShowTheCaretAfterIt) {
    model.append(QString(19, u'a'));
    state.followEnd();
    EXPECT_EQ(state.maxFirstColumn(), 0) << "the caret after 19 characters stands in the last column";
    EXPECT_EQ(state.firstColumn(), 0);
    model.append(u"b");  // 20 characters in 20 columns
    state.followEnd();
    EXPECT_EQ(state.maxFirstColumn(), 3);
    EXPECT_EQ(state.firstColumn(), 3);  // caret column 20 plus 2 is the last visible column
    EXPECT_LE(state.caret().column, state.firstColumn() + state.pageColumns() - 1);
}

TEST_F(LogViewStateTest, CaretLeftOfTheViewScrollsToTwoColumnsBeforeIt) {
    model.append(QString(100, u'a'));
    state.followEnd();
    state.moveTo({0, 50}, false);
    state.ensureCaretVisible();
    EXPECT_EQ(state.firstColumn(), 48);
}

TEST_F(LogViewStateTest, AnAppendDropsTheSelectionAndReturnsFromScrollBack) {
    for (int i = 0; i < 50; ++i) model.append(u"some text\r");
    state.followEnd();
    state.setFirstLine(0);
    state.moveTo({2, 1}, false);
    state.moveTo({4, 3}, true);
    ASSERT_TRUE(state.hasSelection());
    model.append(u"x");
    state.followEnd();
    EXPECT_FALSE(state.hasSelection());
    EXPECT_EQ(state.caret(), (TextPos{50, 1}));
    EXPECT_EQ(state.firstLine(), 41);
}

TEST_F(LogViewStateTest, ArrowsCrossLineEndsAndUpDownKeepTheColumn) {
    model.append(u"abcdef\rxy\r123456");
    state.moveTo({0, 6}, false);
    state.move(Move::Right, false);
    EXPECT_EQ(state.caret(), (TextPos{1, 0}));
    state.move(Move::Left, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 6}));
    state.move(Move::Down, false);
    EXPECT_EQ(state.caret(), (TextPos{1, 2}));
    state.move(Move::Down, false);
    EXPECT_EQ(state.caret(), (TextPos{2, 6}));
}

TEST_F(LogViewStateTest, HomeEndAndDocumentEnds) {
    model.append(QStringView(u"  abc  \0\r\rlast \x01", 16));
    state.moveTo({0, 3}, false);
    state.move(Move::End, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 5}));  // after the last character above U+0020
    state.move(Move::Home, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 0}));
    state.move(Move::DocEnd, false);
    EXPECT_EQ(state.caret(), (TextPos{2, 4}));
    state.move(Move::DocStart, true);
    EXPECT_EQ(state.selectionStart(), (TextPos{0, 0}));
    EXPECT_EQ(state.selectionEnd(), (TextPos{2, 4}));
}

TEST_F(LogViewStateTest, WordMovesStopAtDelimiters) {
    model.append(u"one two'three\rfour");
    state.moveTo({0, 0}, false);
    state.move(Move::WordRight, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 4}));
    state.move(Move::WordRight, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 8}));
    state.move(Move::WordRight, false);
    state.move(Move::WordRight, false);
    EXPECT_EQ(state.caret(), (TextPos{1, 0}));
    state.move(Move::WordLeft, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 13}));
    state.move(Move::WordLeft, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 8}));
}

TEST_F(LogViewStateTest, PageMovesGoByAScreenAndScrollAlong) {
    for (int i = 0; i < 100; ++i) model.append(u"row\r");
    state.moveTo({0, 0}, false);
    state.move(Move::PageDown, false);
    EXPECT_EQ(state.caret().line, 10);
    EXPECT_EQ(state.firstLine(), 10);
    state.move(Move::PageDown, true);
    EXPECT_EQ(state.caret().line, 20);
    EXPECT_EQ(state.selectionStart(), (TextPos{10, 0}));
    state.move(Move::PageUp, false);
    EXPECT_EQ(state.caret().line, 10);
    EXPECT_EQ(state.firstLine(), 10);
}

TEST_F(LogViewStateTest, DoubleClickSelectsTheRunBetweenDelimiters) {
    model.append(u"say \"hello\" it's x\ny");
    state.selectWordAt({0, 7});
    EXPECT_EQ(state.selectedText(), QStringLiteral("hello"));
    state.selectWordAt({0, 12});
    EXPECT_EQ(state.selectedText(), QStringLiteral("it"));
    state.selectWordAt({0, 18});
    EXPECT_EQ(state.selectedText(), QStringLiteral("x\ny"));
    state.selectWordAt({0, 3});  // on a space: nothing selected
    EXPECT_FALSE(state.hasSelection());
}

TEST_F(LogViewStateTest, WheelScrollingStopsWithTheLastLineAtTheBottom) {
    for (int i = 0; i < 25; ++i) model.append(u"r\r");
    state.scrollLines(12);
    EXPECT_EQ(state.firstLine(), 12);
    state.scrollLines(12);
    EXPECT_EQ(state.firstLine(), 16);  // 26 lines: the empty last one on the bottom row
    state.scrollLines(-40);
    EXPECT_EQ(state.firstLine(), 0);
    EXPECT_EQ(state.caret(), (TextPos{0, 0}));
}

TEST_F(LogViewStateTest, TrimAndClearKeepPositionsInsideTheText) {
    model.append(u"abc   \rde  ");
    state.followEnd();
    state.moveTo({0, 6}, true);
    model.trimTrailingBlanks();
    state.clampToModel();
    EXPECT_EQ(state.caret(), (TextPos{0, 3}));
    EXPECT_EQ(state.selectionEnd(), (TextPos{1, 2}));
    model.clear();
    state.reset();
    EXPECT_EQ(state.caret(), (TextPos{0, 0}));
    EXPECT_EQ(state.selectedText(), QString());
    state.move(Move::DocEnd, false);
    EXPECT_EQ(state.caret(), (TextPos{0, 0}));
}
