#include "logview/view_test_support.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include "logview/paint/view_geometry.h"

#include <algorithm>
#include <vector>

namespace {

// Records the paint events a widget receives, and when they came.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* w) {
        w->installEventFilter(this);
        clock.start();
    }
    QElapsedTimer clock;
    std::vector<QRect> rects;
    std::vector<qint64> times;  // ms since the recorder was made
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            rects.push_back(static_cast<QPaintEvent*>(e)->rect());
            times.push_back(clock.elapsed());
        }
        return false;
    }
};

// Counts the timer events of the application's QTimers that run at least
// `minMs`: each would wake the program's UI thread between two batches. (Qt's
// own zero-time timers, such as the scroll bars' after a move, run in the
// same pass and wake nothing.)
class TimerEventCounter : public QObject {
public:
    explicit TimerEventCounter(int minMs) : minMs_(minMs) { qApp->installEventFilter(this); }
    ~TimerEventCounter() override { qApp->removeEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject* receiver, QEvent* e) override {
        if (e->type() == QEvent::Timer) {
            const auto* timer = qobject_cast<QTimer*>(receiver);
            if (timer && timer->interval() >= minMs_) ++count;
        }
        return false;
    }

private:
    int minMs_;
};

}  // namespace

class LogViewPaintTest : public LogViewTest {
protected:
    void SetUp() override {
        LogViewTest::SetUp();
        appendLines(200);
        QTest::qWait(100);  // every frame of the start is done, and a quiet spell follows
    }
    // What the screen shows: the window's backing store, not a fresh rendering.
    QImage onScreen() {
        const QPixmap shot = view.screen()->grabWindow(view.winId());
        return shot.toImage().convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(LogViewPaintTest, BatchesWithinOneFrameGiveOnePaint) {
    PaintRecorder rec(view.viewport());
    model.append(u"first\r");  // after a quiet spell: painted at once
    settle();
    ASSERT_EQ(rec.rects.size(), 1u);
    rec.rects.clear();
    // The following batches come faster than the screen refreshes. On a loaded
    // machine the loop itself may outlast a frame (60 Hz here); each frame it
    // spans may then paint once.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i) {
        model.append(QStringLiteral("batch %1\r").arg(i));
        QApplication::processEvents();
    }
    const auto frames = std::size_t(clock.elapsed() / 16);
    EXPECT_LE(rec.rects.size(), frames + 1);
    QTest::qWait(60);
    EXPECT_GE(rec.rects.size(), 1u);
    EXPECT_LE(rec.rects.size(), frames + 1);
    EXPECT_EQ(view.state().caret().line, model.lineCount() - 1);
}

TEST_F(LogViewPaintTest, SteadyTrafficPaintsAtMostOncePerFrame) {
    PaintRecorder rec(view.viewport());
    QElapsedTimer clock;
    clock.start();
    int batches = 0;
    while (clock.elapsed() < 300) {
        model.append(QStringLiteral("7E8 03 41 0D %1\r").arg(batches++));
        QTest::qWait(2);
    }
    QTest::qWait(60);
    const double rate = view.screen()->refreshRate() > 1 ? view.screen()->refreshRate() : 60.0;
    EXPECT_LE(double(rec.rects.size()), double(clock.elapsed()) * rate / 1000.0 + 2);
    // Streaming text is painted about 33 times a second at most, like a terminal.
    EXPECT_LE(double(rec.rects.size()), double(clock.elapsed()) / 30.0 + 2);
    EXPECT_GT(batches, 2 * int(rec.rects.size()));
}

TEST_F(LogViewPaintTest, StreamingTextIsPaintedAboutSevenTimesASecondAndEndsOnItsLastLine) {
    PaintRecorder rec(view.viewport());
    QElapsedTimer clock;
    clock.start();
    // A batch every 5 ms of the clock. A slow event loop (a sanitizer, a busy
    // machine) must not turn the stream into a trickle, so the batches it missed
    // come together, as a reader's queue would have held them.
    int batches = 0;
    while (clock.elapsed() < 1000) {
        while (batches <= clock.elapsed() / 5)
            model.append(QStringLiteral("7E8 03 41 0D %1\r7DF 02 01 0D\r").arg(batches++));
        QTest::qWait(5);
    }
    const auto streamed = double(clock.elapsed());
    // A stream that stops is shown at once, not when its long frame is over.
    QTest::qWait(50);
    const QImage screen = onScreen();
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(screen.copy(QRect(view.mapTo(view.window(), QPoint(0, 0)), view.size())), fresh);
    // Batches at the reader's full rate: a frame every 150 ms, after the first
    // few at 30. A stall of the event loop of more than 30 ms looks like the end
    // of the stream and brings a frame or two at once, so the typical gap between
    // the stream's frames is what is judged, not their count.
    std::vector<qint64> gaps;
    for (std::size_t i = 1; i < rec.times.size() && rec.times[i] <= streamed; ++i)
        gaps.push_back(rec.times[i] - rec.times[i - 1]);
    ASSERT_GE(gaps.size(), 5u) << "the view stopped following the stream";
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_GE(gaps[gaps.size() / 2], 140) << rec.times.size() << " frames";
    EXPECT_EQ(view.state().firstLine(), view.state().maxFirstLine());
    EXPECT_EQ(view.state().caret().line, model.lineCount() - 1);
}

TEST_F(LogViewPaintTest, FollowingPaintsOnlyTheNewRowsAndTheScreenMatchesAFullPaint) {
    PaintRecorder rec(view.viewport());
    const int lh = view.metrics().lineHeight;
    for (int round = 0; round < 5; ++round) {
        model.append(QStringLiteral("more %1\rand more\rand").arg(round));
        QTest::qWait(40);
    }
    ASSERT_FALSE(rec.rects.empty());
    for (const QRect& r : rec.rects)
        EXPECT_LE(r.height(), 4 * lh) << "a frame repainted more than its new rows";
    // The scrolled picture equals a complete rendering of the same state.
    const QImage screen = onScreen();
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(screen.isNull());
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    EXPECT_EQ(screen.copy(QRect(at, view.size())), fresh);
}

TEST_F(LogViewPaintTest, StreamingLinesOfMixedWidthsLeaveTheScreenAsAFullPaint) {
    // Batches come between the event loop's passes, so that some land after a
    // frame has moved the picture and before its rows are painted; long lines
    // (past the margin) and short ones take turns, so the inked part of the
    // rows grows and shrinks as they move up.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() < 400; ++i) {
        const int width = (i % 7 == 0) ? 95 : (i % 3) * 9 + 1;
        model.append(QStringLiteral("%1 %2\r").arg(i).arg(QString(width, u'x')));
        QApplication::processEvents();
        QTest::qSleep(2);
    }
    QTest::qWait(100);
    const QImage screen = onScreen();
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(screen.isNull());
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    EXPECT_EQ(screen.copy(QRect(at, view.size())), fresh);
}

TEST_F(LogViewPaintTest, AHiddenViewPaintsNothingAndShowsTheNewLinesWhenShownAgain) {
    PaintRecorder rec(view.viewport());
    view.hide();
    for (int i = 0; i < 50; ++i) {
        model.append(QStringLiteral("while hidden %1\r").arg(i));
        QApplication::processEvents();
    }
    QTest::qWait(60);
    EXPECT_TRUE(rec.rects.empty());
    view.show();
    settle();
    EXPECT_FALSE(rec.rects.empty());
    EXPECT_EQ(view.state().firstLine(), view.state().maxFirstLine());
    EXPECT_EQ(view.verticalScrollBar()->value(), view.state().firstLine());
}

TEST_F(LogViewPaintTest, AMinimisedViewPaintsNothing) {
    view.showMinimized();
    QTest::qWait(60);
    PaintRecorder rec(view.viewport());
    for (int i = 0; i < 50; ++i) {
        model.append(QStringLiteral("while minimised %1\r").arg(i));
        QApplication::processEvents();
    }
    QTest::qWait(60);
    EXPECT_TRUE(rec.rects.empty());
    view.showNormal();
    QTest::qWait(60);
    EXPECT_FALSE(rec.rects.empty());
    EXPECT_EQ(view.verticalScrollBar()->value(), view.state().maxFirstLine());
}

TEST_F(LogViewPaintTest, TheScrollBarRepaintsOnlyWhenItsHandleMoves) {
    appendLines(100000);
    QTest::qWait(60);
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    PaintRecorder rec(bar);
    // Following a long log: a few lines more leave the handle where it is.
    for (int i = 0; i < 20; ++i) {
        model.append(QStringLiteral("batch %1\r").arg(i));
        QTest::qWait(20);
    }
    EXPECT_EQ(rec.rects.size(), 0u);
    EXPECT_EQ(bar->value(), bar->maximum());

    // The handle moves up: painted.
    bar->setValue(bar->maximum() / 2);
    QTest::qWait(40);
    EXPECT_GE(rec.rects.size(), 1u);
    rec.rects.clear();

    // Back at the end, one line short of it: the handle may stay put, but the
    // end is no longer reached, which the bar shows.
    bar->setValue(bar->maximum());
    QTest::qWait(40);
    rec.rects.clear();
    bar->setValue(bar->maximum() - 1);
    QTest::qWait(40);
    EXPECT_GE(rec.rects.size(), 1u);
}

TEST_F(LogViewPaintTest, AnAppendRepaintsTheSelectionAndTheCaretItDropped) {
    // A few lines selected upwards from the end: the caret moves up with them.
    for (int i = 0; i < 3; ++i) QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    QTest::qWait(40);
    ASSERT_TRUE(view.state().hasSelection());
    model.append(u"one more\r");
    QTest::qWait(60);
    EXPECT_FALSE(view.state().hasSelection());
    // No highlight and no caret stay behind on the screen.
    const QImage screen = onScreen();
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(screen.isNull());
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    EXPECT_EQ(screen.copy(QRect(at, view.size())), fresh);
}

// A line so long that its columns, counted in pixels, pass what an int holds.
TEST_F(LogViewTest, ColumnsFarOutInALongLineLandWhereTheyBelong) {
    const int cw = view.metrics().cellWidth;
    // The first column shown for which the right margin's place, worked out in
    // 32 bits, would wrap round into the middle of the text area.
    const qsizetype first = logview::kRightMarginColumn + ((qsizetype{1} << 32) - 300) / cw;
    // Tabs: four blank columns each from a quarter of the text.
    model.append(QString((first + 1000) / 4 + 1, u'\t'));
    settle();
    view.horizontalScrollBar()->setValue(logview::toBar(first, view.state().maxFirstColumn()));
    ASSERT_EQ(view.state().firstColumn(), first);
    // Blanks only, the margin far to the left and the caret far to the right:
    // the text area is background everywhere.
    const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int lit = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = view.textLeft(); x < shown.width(); ++x)
            if (shown.pixelColor(x, y) != logview::kBackground) ++lit;
    EXPECT_EQ(lit, 0);
}

// Batches as the reader hands them over, about every 10 ms, each followed by
// the pass of the event loop that it wakes. Nothing else runs the loop, so a
// timer event in between is one the view asked for.
static void streamLikeTheReader(LogModel& model, int ms) {
    QElapsedTimer clock;
    clock.start();
    for (int batch = 0; clock.elapsed() < ms; ++batch) {
        model.append(QStringLiteral("7E8 03 41 0D %1\r7DF 02 01 0D\r").arg(batch));
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

TEST_F(LogViewPaintTest, StreamingFramesComeWithTheBatchesAndAHiddenViewRunsNoTimer) {
    ASSERT_TRUE(view.hasFocus());  // the caret's blink must not run between the batches either
    PaintRecorder rec(view.viewport());
    streamLikeTheReader(model, 400);  // long enough to be taken for a stream
    {
        // A frame of its own between two batches (a 150 ms timer) or the
        // caret's blink would wake the program once more; the quiet timer's
        // 30 ms never run out here.
        TimerEventCounter longTimers(40);
        const std::size_t framesBefore = rec.times.size();
        streamLikeTheReader(model, 1000);
        EXPECT_EQ(longTimers.count, 0);
        EXPECT_GE(rec.times.size() - framesBefore, 3u) << "the view stopped following the stream";
    }
    view.hide();
    for (int pass = 0; pass < 10; ++pass) {  // what was due when it went goes by
        QApplication::processEvents();
        QThread::msleep(10);
    }
    TimerEventCounter anyTimer(0);
    streamLikeTheReader(model, 1000);
    EXPECT_EQ(anyTimer.count, 0) << "a hidden view has nothing to time";
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    settle();
    EXPECT_EQ(view.state().caret().line, model.lineCount() - 1);
}
