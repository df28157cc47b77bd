#include "logview/log_view.h"

#include "logstore/log_file_writer.h"
#include "logstore/log_model.h"
#include "logview/accessible/accessible_log_text.h"
#include "logview/paint/log_view_painter.h"
#include "logview/paint/view_geometry.h"
#include "logview/quiet_scroll_bar.h"
#include "logview/save_text_file_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

#include <cmath>

using namespace logview;

LogView::LogView(LogModel* model, QWidget* parent)
    : QAbstractScrollArea(parent),
      model_(model),
      state_(*model),
      font_(textFont()),
      metrics_(CellMetrics::of(font_)) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(kFrameWidth);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, kBorderColor);
    setPalette(pal);
    setFont(font_);
    setHorizontalScrollBar(new QuietScrollBar(Qt::Horizontal, this));
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAcceptDrops(false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    menuRunner_ = [](QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); };

    const int flash = QApplication::cursorFlashTime();
    caretTimer_.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&caretTimer_, &QTimer::timeout, this, [this] {
        caretOn_ = !caretOn_;
        updateCaret();
    });
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &LogView::paintFrame);
    // A stream that stops is shown at once, not at the end of a long frame.
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(30);
    connect(&quietTimer_, &QTimer::timeout, this, [this] {
        if (!frameTimer_.isActive() && !frameOwed_) return;
        frameTimer_.stop();
        paintFrame();
    });
    sinceFrame_.start();

    connect(model_, &LogModel::appended, this, &LogView::onAppended);
    connect(model_, &LogModel::cleared, this, &LogView::onCleared);
    connect(model_, &LogModel::trimmed, this, &LogView::onTrimmed);
    accessibility_ = new AccessibleLogText(this);
    updatePageSize();
    syncScrollBars();
}

LogView::~LogView() = default;

GutterLayout LogView::gutter() const {
    return GutterLayout::of(model_->lineCount(), metrics_.cellWidth);
}

void LogView::updatePageSize() {
    const QSize size = viewport()->size();
    gutterCells_ = gutter().extraCells;
    state_.setPageSize(size.height() / metrics_.lineHeight, (size.width() - textLeft()) / metrics_.cellWidth);
}

void LogView::syncScrollBars() {
    // Only what changed is passed on: every change of a bar emits signals and
    // queues a relayout, and this runs once per received batch.
    const qsizetype maxLine = state_.maxFirstLine();
    const qsizetype maxColumn = state_.maxFirstColumn();
    const BarRanges now{barMaximum(maxLine), barPageStep(state_.pageRows(), maxLine), barMaximum(maxColumn),
                        barPageStep(state_.pageColumns(), maxColumn)};
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const int vValue = toBar(state_.firstLine(), maxLine);
    const int hValue = toBar(state_.firstColumn(), maxColumn);
    if (now == ranges_ && v->value() == vValue && h->value() == hValue) return;
    syncing_ = true;
    if (now.vMax != ranges_.vMax) v->setRange(0, now.vMax);
    if (now.vPage != ranges_.vPage) v->setPageStep(now.vPage);
    if (now.hMax != ranges_.hMax) h->setRange(0, now.hMax);
    if (now.hPage != ranges_.hPage) h->setPageStep(now.hPage);
    v->setValue(vValue);
    h->setValue(hValue);
    ranges_ = now;
    syncing_ = false;
}

void LogView::scheduleBarSync() {
    // The bars follow once per pass of the event loop, ahead of the repaint that
    // update() queues; batches that arrive within one pass share the work.
    if (barSyncPending_) return;
    barSyncPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            barSyncPending_ = false;
            syncScrollBars();
        },
        Qt::QueuedConnection);
}

void LogView::onAppended() {
    // A line count that gains a digit widens the gutter and narrows the text area.
    if (gutter().extraCells != gutterCells_) updatePageSize();
    // The append drops the selection and moves the caret: their rows change too.
    const qsizetype changed = state_.hasSelection() ? state_.selectionStart().line : state_.caret().line;
    staleFromLine_ = std::min(staleFromLine_, changed);
    state_.followEnd();
    followingEnd_ = true;
    ++batchesSinceFrame_;
    if (!isShownOnScreen()) {
        frameAll_ = true;  // everything is brought up to date when shown again
        return;
    }
    // While text streams, the frame that is due brings the bars along: they
    // move once a frame, not once a batch.
    if (!streaming_ || !(frameTimer_.isActive() || frameOwed_)) scheduleBarSync();
    scheduleFrame();
    if (streaming_) quietTimer_.start();
}

bool LogView::isShownOnScreen() const {
    return isVisible() && !window()->isMinimized();
}

void LogView::scheduleFrame() {
    if (frameTimer_.isActive()) return;  // this frame's paint is already due
    // The first batch after a quiet spell is painted at once; later ones wait for
    // the next frame, so that the batches between two frames share one paint.
    // Text is not read line by line as it streams: like a terminal, the view
    // paints about 33 times a second (or at the screen's rate if that is lower),
    // and about 7 times while batches stream in at the reader's full rate. Every
    // frame moves the picture on the X server, and Qt's shared-memory backing
    // store waits for a round trip to the server before it paints over what it
    // put in the last frame: one more wake-up of this thread per frame. At 7
    // frames a second that stays below one wake-up in ten batches. When the
    // stream stops, what it brought is painted at once.
    constexpr qint64 kFrameMs = 30;
    constexpr qint64 kStreamingFrameMs = 150;
    const QScreen* s = screen();
    const double rate = s && s->refreshRate() > 1 ? s->refreshRate() : 60.0;
    const auto interval =
        std::max(static_cast<qint64>(std::ceil(1000.0 / rate)), streaming_ ? kStreamingFrameMs : kFrameMs);
    const qint64 wait = std::max<qint64>(interval - sinceFrame_.elapsed(), 0);
    if (streaming_ && wait > 0) {
        // Streaming, a batch comes about every 10 ms and wakes this thread
        // anyway: the first one that finds the frame due paints it, so the
        // frame has no timer of its own to wake the thread once more. If the
        // stream stops first, the quiet timer paints it.
        frameOwed_ = true;
        return;
    }
    frameTimer_.start(static_cast<int>(wait));
}

void LogView::paintFrame() {
    frameOwed_ = false;
    // Streaming: batches came at about the reader's full rate, a hundred a
    // second, since the last frame; a few batches in a row are not a stream.
    constexpr qint64 kStreamingBatchesPerSecond = 80;
    const qint64 since = std::max<qint64>(sinceFrame_.restart(), 1);
    streaming_ = batchesSinceFrame_ >= 3 && batchesSinceFrame_ * 1000 >= kStreamingBatchesPerSecond * since;
    batchesSinceFrame_ = 0;
    if (!isShownOnScreen()) return;
    syncScrollBars();
    accessibility_->announce();  // what a frame shows is told once per frame
    caretOn_ = true;
    restartCaretBlink();
    const int lh = metrics_.lineHeight;
    const QRect area = viewport()->rect();
    const qsizetype first = state_.firstLine();
    const qsizetype delta = first - shownFirstLine_;
    // The same columns as the picture on the screen, and no line above it.
    const bool same = !frameAll_ && state_.firstColumn() == shownFirstColumn_ &&
                      gutterCells_ == shownGutterCells_ && delta >= 0;
    if (!same) {
        viewport()->update();
    } else {
        // What is painted moves up; only the rows from the last line painted
        // before (it may have grown) or from where the caret or selection was
        // down are new. Both pictures are plain background right of their ink,
        // so only the columns up to the wider ink change: short lines in a wide
        // window move a narrow strip, not the whole text area.
        const QRect changed(0, 0, std::max(shownInkRight_, inkRight()), area.height());
        // More than half a page of new lines: moving the rest would cost the X
        // server more than painting them costs us, so the strip is painted anew.
        const bool newPage = delta > state_.pageRows() / 2;
        if (delta > 0 && !newPage) viewport()->scroll(0, static_cast<int>(-delta * lh), changed);
        const qsizetype from = newPage ? first : std::max(std::min(shownLastLine_, staleFromLine_), first);
        const int y = static_cast<int>(from - first) * lh;
        // Painted now, not queued: a batch appended before a queued paint ran
        // would move the text under rows already scrolled for this frame.
        if (y < area.height()) viewport()->repaint(changed.adjusted(0, y, 0, 0));
    }
    noteShownPicture();
}

void LogView::noteShownPicture() {
    frameAll_ = false;
    staleFromLine_ = kNoStaleLine;
    shownFirstLine_ = state_.firstLine();
    shownFirstColumn_ = state_.firstColumn();
    shownLastLine_ = std::max<qsizetype>(model_->lineCount() - 1, 0);
    shownGutterCells_ = gutterCells_;
    shownInkRight_ = inkRight();
}

int LogView::inkRight() const {
    const qsizetype first = state_.firstLine();
    const qsizetype last =
        std::min(first + viewport()->height() / metrics_.lineHeight, model_->lineCount() - 1);
    qsizetype longest = 0;
    for (qsizetype line = first; line <= last; ++line) longest = std::max(longest, model_->lineLength(line));
    const qint64 right =
        columnLeft(textLeft(), longest + 1, state_.firstColumn(), metrics_.cellWidth) + kCaretWidth;
    return static_cast<int>(std::clamp<qint64>(right, textLeft(), viewport()->width()));
}

void LogView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    frameAll_ = true;
    syncScrollBars();
    viewport()->update();
    accessibility_->announce();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    // Back from minimised: what was appended meanwhile is shown.
    if (event->type() == QEvent::WindowStateChange && isShownOnScreen() && frameAll_) {
        syncScrollBars();
        viewport()->update();
    }
}

void LogView::updateCaret() {
    const TextPos caret = state_.caret();
    const int lh = metrics_.lineHeight;
    const qint64 x = columnLeft(textLeft(), caret.column, state_.firstColumn(), metrics_.cellWidth);
    const qint64 y = qint64(caret.line - state_.firstLine()) * lh;
    if (caret.line < state_.firstLine() || caret.column < state_.firstColumn() || y > viewport()->height() ||
        x > viewport()->width())
        return;
    viewport()->update(QRect(int(x), int(y), kCaretWidth, lh));
}

void LogView::onCleared() {
    state_.reset();
    followingEnd_ = false;
    updatePageSize();
    syncScrollBars();
    frameAll_ = true;
    viewport()->update();
}

void LogView::onTrimmed() {
    state_.clampToModel();
    syncScrollBars();
    viewport()->update();
}

void LogView::clearLog() {
    accessibility_->aboutToClear();
    model_->clear();
}

void LogView::saveLog(SaveTextFileDialog& dialog) {
    const QString path = dialog.execute(this);
    if (path.isEmpty()) return;
    model_->trimTrailingBlanks();
    logfile::save(*model_, path);
}

void LogView::copy() {
    if (!state_.hasSelection()) return;
    QGuiApplication::clipboard()->setText(state_.selectedText());
}

void LogView::selectAll() {
    followingEnd_ = false;
    state_.selectAll();
    viewport()->update();
    accessibility_->announce();
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updatePageSize();
    // Scroll bars come and go after the ranges change; a view that follows the
    // log keeps its last line and caret in sight when the text area shrinks.
    if (followingEnd_) state_.followEnd();
    syncScrollBars();
}

void LogView::scrollContentsBy(int, int) {
    if (syncing_) return;
    followingEnd_ = false;
    // Only the bar that moved counts: on a scaled bar a value stands for a
    // range of positions, and the other axis must stay where it is.
    const int v = verticalScrollBar()->value();
    const int h = horizontalScrollBar()->value();
    if (v != toBar(state_.firstLine(), state_.maxFirstLine()))
        state_.setFirstLine(fromBar(v, state_.maxFirstLine()));
    if (h != toBar(state_.firstColumn(), state_.maxFirstColumn()))
        state_.setFirstColumn(fromBar(h, state_.maxFirstColumn()));
    viewport()->update();
}

void LogView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    PaintInput in;
    in.model = model_;
    in.state = &state_;
    in.metrics = metrics_;
    in.gutter = gutter();
    in.dirty = event->rect();
    // A whole new picture: later frames scroll from it.
    if (event->rect().contains(viewport()->rect())) noteShownPicture();
    in.gutterBackground = &gutterBackground_;
    in.rows = &rows_;
    in.font = font_;
    in.glyphs = &glyphs_;
    in.viewport = viewport()->rect();
    in.gutterColor = QApplication::palette().color(QPalette::Button);
    in.focused = hasFocus();
    in.caretOn = caretOn_;
    paintLogView(painter, in);
}

void LogView::restartCaretBlink() {
    // The blink starts over with the caret shown: while text streams, every
    // frame restarts it, so the caret stays on and its timer does not wake the
    // thread between the batches.
    caretOn_ = true;
    if (hasFocus()) caretTimer_.start();
}

void LogView::afterCaretMove() {
    followingEnd_ = false;
    syncScrollBars();
    restartCaretBlink();
    viewport()->update();
    accessibility_->announce();
}

// The moves assistive technology asks for, beside the keys and the mouse.
void LogView::moveCaretTo(TextPos pos) {
    state_.moveTo(pos, false);
    state_.ensureCaretVisible();
    afterCaretMove();
}

void LogView::selectRange(TextPos anchor, TextPos caret) {
    state_.moveTo(anchor, false);
    state_.moveTo(caret, true);
    state_.ensureCaretVisible();
    afterCaretMove();
}

void LogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartCaretBlink();
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    caretTimer_.stop();
    viewport()->update();
}
