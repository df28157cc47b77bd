#include "logview/view_test_support.h"

#include "logview/accessible/accessible_log_text.h"
#include "logview/accessible/log_view_accessible.h"

#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>

#include <climits>
#include <utility>
#include <vector>

namespace {

// One accessibility event the view sent, with what it carried.
struct Told {
    QAccessible::Event type = QAccessible::InvalidEvent;
    int position = -1;  // change position, or the caret
    QString text;
    int start = -1, end = -1;  // selection
};

std::vector<Told> told;

// Unoptimised and sanitizer builds run many times slower: time limits grow with them.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
constexpr int kSlower = 1;
#else
constexpr int kSlower = 20;
#endif

void recordEvent(QAccessibleEvent* event) {
    Told t;
    t.type = event->type();
    switch (event->type()) {
        case QAccessible::TextInserted: {
            auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
            t.position = e->changePosition();
            t.text = e->textInserted();
            break;
        }
        case QAccessible::TextRemoved: {
            auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
            t.position = e->changePosition();
            t.text = e->textRemoved();
            break;
        }
        case QAccessible::TextCaretMoved:
            t.position = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
            break;
        case QAccessible::TextSelectionChanged: {
            auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
            t.start = e->selectionStart();
            t.end = e->selectionEnd();
            break;
        }
        default:
            return;  // focus, names, ...
    }
    told.push_back(t);
}

std::vector<Told> toldOf(QAccessible::Event type) {
    std::vector<Told> out;
    for (const Told& t : told)
        if (t.type == type) out.push_back(t);
    return out;
}

}  // namespace

// The view as a screen reader reaches it, with every event it sends recorded.
class LogViewAccessibleTest : public LogViewTest {
protected:
    void SetUp() override {
        LogViewTest::SetUp();
        previousSink_ = AccessibleLogText::setEventSink(recordEvent);
        QAccessible::setActive(true);      // as the platform does when a screen reader starts
        view.accessibility()->announce();  // a listener arrives: from here on changes are told
        told.clear();
    }
    void TearDown() override {
        AccessibleLogText::setEventSink(previousSink_);
        QAccessible::setActive(false);
    }
    QAccessibleInterface* accessible() { return QAccessible::queryAccessibleInterface(&view); }
    QAccessibleTextInterface* text() { return accessible()->textInterface(); }
    // The text of a unit around an offset, as "start-end:text".
    QString unit(int offset, QAccessible::TextBoundaryType type, int side = 0) {
        int start = -9, end = -9;
        const QString s = side < 0   ? text()->textBeforeOffset(offset, type, &start, &end)
                          : side > 0 ? text()->textAfterOffset(offset, type, &start, &end)
                                     : text()->textAtOffset(offset, type, &start, &end);
        return QStringLiteral("%1-%2:%3").arg(start).arg(end).arg(s);
    }

private:
    AccessibleLogText::EventSink previousSink_ = nullptr;
};

TEST_F(LogViewAccessibleTest, ReadsAsAReadOnlyMultiLineTextOfTheLog) {
    view.setAccessibleName(QStringLiteral("Simulator log"));
    QAccessibleInterface* a = accessible();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->textInterface(), nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    EXPECT_TRUE(a->state().readOnly);
    EXPECT_TRUE(a->state().multiLine);
    EXPECT_TRUE(a->state().focusable);
    EXPECT_FALSE(a->state().editable);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Simulator log"));

    // Empty: nothing to read, and nothing at the caret.
    EXPECT_EQ(text()->characterCount(), 0);
    EXPECT_EQ(unit(0, QAccessible::LineBoundary), QStringLiteral("0-0:"));
    EXPECT_EQ(text()->cursorPosition(), 0);
    EXPECT_EQ(text()->selectionCount(), 0);

    // "SEARCHING...\n" 0..12, "7E8 03    41\n" 13..25, "\n" 26, "OK" 27..28 without a break.
    model.append(u"SEARCHING...\r7E8 03\t41\r\rOK");
    settle();
    EXPECT_EQ(text()->characterCount(), 29);
    EXPECT_EQ(text()->text(0, -1), QStringLiteral("SEARCHING...\n7E8 03    41\n\nOK"));
    EXPECT_EQ(text()->text(10, 16), QStringLiteral("..\n7E8"));
    EXPECT_TRUE(a->text(QAccessible::Value).isEmpty());  // never the whole log in one piece

    EXPECT_EQ(unit(-2, QAccessible::LineBoundary), QStringLiteral("27-29:OK"));  // at the caret, the end
    EXPECT_EQ(unit(29, QAccessible::LineBoundary, -1), QStringLiteral("26-27:\n"));
    EXPECT_EQ(unit(12, QAccessible::LineBoundary), QStringLiteral("0-13:SEARCHING...\n"));
    EXPECT_EQ(unit(12, QAccessible::LineBoundary, 1), QStringLiteral("13-26:7E8 03    41\n"));
    EXPECT_EQ(unit(29, QAccessible::LineBoundary, 1), QStringLiteral("29-29:"));
    EXPECT_EQ(unit(12, QAccessible::CharBoundary), QStringLiteral("12-13:\n"));
    EXPECT_EQ(unit(17, QAccessible::WordBoundary), QStringLiteral("17-23:03    "));
    EXPECT_EQ(unit(17, QAccessible::WordBoundary, -1), QStringLiteral("13-17:7E8 "));
    EXPECT_EQ(unit(17, QAccessible::WordBoundary, 1), QStringLiteral("23-26:41\n"));
    EXPECT_EQ(unit(30, QAccessible::LineBoundary), QStringLiteral("-1--1:"));
}

TEST_F(LogViewAccessibleTest, TheCaretOffsetFollowsTheKeysAndSettingItMovesTheCaretAsTheKeysDo) {
    appendLines(200);  // "line 0\n" ... "line 199\n" and an empty last line
    QAccessibleTextInterface* t = text();
    EXPECT_EQ(t->cursorPosition(), t->characterCount());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(t->cursorPosition(), 0);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(t->cursorPosition(), 13);  // after "line 1", at its break
    ASSERT_FALSE(toldOf(QAccessible::TextCaretMoved).empty());
    EXPECT_EQ(toldOf(QAccessible::TextCaretMoved).back().position, 13);

    // Set from outside: the caret goes there, the view scrolls it into sight,
    // and the next key moves on from there.
    t->setCursorPosition(1000);
    const TextPos at = view.state().caret();
    // Lines 0..9 take 7 characters with their breaks, 10..99 take 8: line 100 starts at 790.
    EXPECT_EQ(at, (TextPos{123, 3}));
    EXPECT_EQ(t->cursorPosition(), 1000);
    EXPECT_GE(at.line, view.state().firstLine());
    EXPECT_LT(at.line, view.state().firstLine() + view.state().pageRows());
    EXPECT_EQ(toldOf(QAccessible::TextCaretMoved).back().position, 1000);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(t->cursorPosition(), 1001);
    t->setCursorPosition(0);
    EXPECT_EQ(view.state().firstLine(), 0);
    EXPECT_EQ(text()->selectionCount(), 0);
}

TEST_F(LogViewAccessibleTest, ASelectionSetThroughTheInterfaceIsWhatCopyPuts) {
    model.append(u"alpha beta\rgamma\rdelta");
    settle();
    QAccessibleTextInterface* t = text();
    // From "beta" to "del", as a press in "beta" dragged into "delta".
    t->setSelection(0, 6, 20);
    int start = -1, end = -1;
    ASSERT_EQ(t->selectionCount(), 1);
    t->selection(0, &start, &end);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 20);
    EXPECT_EQ(t->cursorPosition(), 20);
    EXPECT_EQ(view.state().selectionStart(), (TextPos{0, 6}));
    EXPECT_EQ(view.state().selectionEnd(), (TextPos{2, 3}));
    ASSERT_FALSE(toldOf(QAccessible::TextSelectionChanged).empty());
    EXPECT_EQ(toldOf(QAccessible::TextSelectionChanged).back().start, 6);
    EXPECT_EQ(toldOf(QAccessible::TextSelectionChanged).back().end, 20);
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("beta\r\ngamma\r\ndel"));

    // Backwards: the caret ends at the second offset, as a drag to the left.
    t->setSelection(0, 5, 1);
    t->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 5);
    EXPECT_EQ(t->cursorPosition(), 1);
    // One selection at a time: adding replaces it; removing keeps the caret.
    t->addSelection(11, 16);
    ASSERT_EQ(t->selectionCount(), 1);
    t->selection(0, &start, &end);
    EXPECT_EQ(t->text(start, end), QStringLiteral("gamma"));
    t->removeSelection(0);
    EXPECT_EQ(t->selectionCount(), 0);
    EXPECT_EQ(t->cursorPosition(), 16);
    EXPECT_EQ(toldOf(QAccessible::TextSelectionChanged).back().start,
              toldOf(QAccessible::TextSelectionChanged).back().end);

    // A selection made with the mouse reads back the same way.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cellCentre(1, 1));
    QTest::mouseMove(view.viewport(), cellCentre(1, 4));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, cellCentre(1, 4));
    t->selection(0, &start, &end);
    EXPECT_EQ(t->text(start, end), QStringLiteral("amm"));
    EXPECT_EQ(toldOf(QAccessible::TextSelectionChanged).back().end, end);
}

TEST_F(LogViewAccessibleTest, CharacterRectanglesAndPointsMeetInTheSameCell) {
    appendLines(5);
    QAccessibleTextInterface* t = text();
    for (int offset : {0, 3, 6, 7, 20, t->characterCount()}) {
        const QRect r = t->characterRect(offset);
        EXPECT_EQ(r.size(), QSize(view.metrics().cellWidth, view.metrics().lineHeight));
        EXPECT_EQ(t->offsetAtPoint(r.center()), offset) << offset;
    }
    // Right of a line's end: the line's end; outside the text area: none.
    const QRect lineEnd = t->characterRect(6);
    EXPECT_EQ(t->offsetAtPoint(lineEnd.center() + QPoint(10 * view.metrics().cellWidth, 0)), 6);
    EXPECT_EQ(t->offsetAtPoint(view.viewport()->mapToGlobal(QPoint(-5, -5))), -1);
}

TEST_F(LogViewAccessibleTest, AppendsAreToldOncePerFrameWithTheirTextAndClearTellsTheRemoval) {
    model.append(u"start\r");
    QTest::qWait(100);
    told.clear();
    // Batches faster than frames: one insertion carries them all.
    for (int i = 0; i < 5; ++i) model.append(QStringLiteral("batch %1\r").arg(i));
    QTest::qWait(100);
    const auto inserted = toldOf(QAccessible::TextInserted);
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(inserted[0].position, 6);
    EXPECT_EQ(inserted[0].text, QStringLiteral("batch 0\nbatch 1\nbatch 2\nbatch 3\nbatch 4\n"));
    ASSERT_FALSE(toldOf(QAccessible::TextCaretMoved).empty());
    EXPECT_EQ(toldOf(QAccessible::TextCaretMoved).back().position, text()->characterCount());

    // Streaming: never more insertions than frames painted, and no text lost.
    told.clear();
    QString sent;
    for (int i = 0; i < 40; ++i) {
        const QString batch = QStringLiteral("7E8 %1 ").arg(i);
        model.append(batch);
        sent += batch;
        QTest::qWait(2);
    }
    QTest::qWait(100);
    QString heard;
    for (const Told& t : toldOf(QAccessible::TextInserted)) heard += t.text;
    EXPECT_EQ(heard, sent);
    EXPECT_LT(toldOf(QAccessible::TextInserted).size(), 40u);

    told.clear();
    const QString all = text()->text(0, -1);
    view.clearLog();
    const auto removed = toldOf(QAccessible::TextRemoved);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].position, 0);
    EXPECT_EQ(removed[0].text, all);
    EXPECT_EQ(text()->characterCount(), 0);
    EXPECT_EQ(toldOf(QAccessible::TextCaretMoved).back().position, 0);

    // The next batch after a clear is told from the start again.
    model.append(u"after\r");
    QTest::qWait(100);
    ASSERT_EQ(toldOf(QAccessible::TextInserted).size(), 1u);
    EXPECT_EQ(toldOf(QAccessible::TextInserted)[0].position, 0);
    EXPECT_EQ(toldOf(QAccessible::TextInserted)[0].text, QStringLiteral("after\n"));
}

TEST_F(LogViewAccessibleTest, ANulFromTheDeviceReadsAsAReplacementCharacterAtItsOwnOffset) {
    // A NUL inside a line, at a line's start and ending the log: D-Bus strings
    // end at a NUL, so readers get U+FFFD in its place; the log keeps the NUL.
    const QChar nul(u'\0');
    const QChar shown(QChar::ReplacementCharacter);
    model.append(QStringLiteral("A") + nul + QStringLiteral("B\r") + nul + QStringLiteral("C") + nul);
    QTest::qWait(100);
    EXPECT_EQ(model.line(1), QString(nul) + u'C' + nul);
    const QString expected = QStringLiteral("A") + shown + QStringLiteral("B\n") + shown + u'C' + shown;
    EXPECT_EQ(text()->characterCount(), 7);
    EXPECT_EQ(text()->text(0, -1), expected);
    EXPECT_EQ(text()->text(1, 2), QString(shown));
    EXPECT_EQ(unit(1, QAccessible::CharBoundary), QStringLiteral("1-2:") + shown);
    EXPECT_EQ(unit(5, QAccessible::LineBoundary), QStringLiteral("4-7:") + expected.mid(4));
    EXPECT_EQ(unit(4, QAccessible::LineBoundary, -1), QStringLiteral("0-4:") + expected.left(4));
    EXPECT_EQ(unit(5, QAccessible::WordBoundary), QStringLiteral("5-7:C") + shown);
    QString heard;
    for (const Told& t : toldOf(QAccessible::TextInserted)) heard += t.text;
    EXPECT_EQ(heard, expected);

    // Copy keeps the NUL; the removal told by Clear does not.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("A") + nul + QStringLiteral("B\r\n") + nul + u'C' + nul);
    told.clear();
    view.clearLog();
    ASSERT_EQ(toldOf(QAccessible::TextRemoved).size(), 1u);
    EXPECT_EQ(toldOf(QAccessible::TextRemoved)[0].text, expected);
}

TEST_F(LogViewAccessibleTest, ARangeOfALongLogIsMeasuredInLittleTimeAndClampedToTheText) {
    // 7,000 lines, 203,000 characters, line 100 ten characters longer; the
    // caret at the end, as after traffic.
    QString batch;
    for (int i = 0; i < 7000; ++i)
        batch += QStringLiteral("7E8 06 41 00 BE 3F A8 %1%2\r")
                     .arg(i, 6, 10, QChar(u'0'))
                     .arg(i == 100 ? "0123456789" : "");
    model.append(batch);
    settle();
    LogViewAccessible* a = static_cast<LogViewAccessible*>(accessible());
    QAccessibleTextInterface* t = text();
    const int count = t->characterCount();
    ASSERT_EQ(count, 7000 * 29 + 10);
    // As the AT-SPI bridge measures a range: every offset in turn, the end included.
    const auto cellByCell = [t](int from, int to) {
        QRect r = t->characterRect(from);
        for (int i = from + 1; i <= to; ++i) r |= t->characterRect(i);
        return r;
    };
    QElapsedTimer clock;
    clock.start();
    const QRect all = cellByCell(0, count);
    const qint64 took = clock.elapsed();
    EXPECT_LT(took, 400 * kSlower) << "measuring " << count << " characters one by one took " << took
                                   << " ms";
    const auto& m = view.metrics();
    EXPECT_EQ(all.topLeft(), t->characterRect(0).topLeft());
    EXPECT_EQ(all.size(), QSize(39 * m.cellWidth, 7001 * m.lineHeight));
    EXPECT_EQ(t->characterRect(count - 1).topLeft(),
              all.topLeft() + QPoint(28 * m.cellWidth, 6999 * m.lineHeight));

    // Measured line by line, the same; the end clamped to the text, at once.
    clock.restart();
    EXPECT_EQ(a->rangeRect(0, count), all);
    EXPECT_EQ(a->rangeRect(0, -1), all);
    EXPECT_EQ(a->rangeRect(-50, INT_MAX), all);
    EXPECT_EQ(a->rangeRect(count, INT_MAX), t->characterRect(count));
    EXPECT_LT(clock.elapsed(), 50 * kSlower);
    for (const auto& [from, to] : {std::pair{3, 9},
                                   {27, 31},
                                   {29 * 100 + 5, 29 * 101 + 2},
                                   {29 * 99, 29 * 102},
                                   {29 * 101 + 20, 29 * 400},
                                   {29 * 6999 + 3, count}})
        EXPECT_EQ(a->rangeRect(from, to), cellByCell(from, to)) << from << ".." << to;
    EXPECT_TRUE(a->rangeRect(9, 9).isNull());
    EXPECT_TRUE(a->rangeRect(9, 3).isNull());
    EXPECT_TRUE(a->rangeRect(count + 1, INT_MAX).isNull());
    // Past the end, one by one: nothing, and at once.
    clock.restart();
    for (int i = count + 1; i < count + 200000; ++i) ASSERT_TRUE(t->characterRect(i).isNull());
    EXPECT_LT(clock.elapsed(), 100 * kSlower);
}
