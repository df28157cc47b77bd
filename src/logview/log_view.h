#pragma once
// The read-only monitor log view (`Memo1`): a line-number gutter and the log's
// text, white fixed-pitch on black, drawing only the rows in sight.
//
// Use: construct over a LogModel that the connection engine appends to; the view
// follows the end of the log after every batch. Wire the "Clear" button to
// clearLog() and the "Save" button to saveLog(SaveTextFileDialog1). The user can
// move the caret, select, scroll and copy; nothing changes the text.

#include "logview/log_view_state.h"
#include "logview/paint/cell_glyphs.h"
#include "logview/paint/log_view_look.h"
#include "logview/paint/log_view_painter.h"
#include "logview/paint/row_composer.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <limits>

class LogModel;
class AccessibleLogText;
class QMenu;
class SaveTextFileDialog;

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(LogModel* model, QWidget* parent = nullptr);
    ~LogView() override;

    LogModel* model() const { return model_; }
    const LogViewState& state() const { return state_; }
    const logview::CellMetrics& metrics() const { return metrics_; }
    // The gutter as wide as the current line count needs, and the text area's left edge.
    logview::GutterLayout gutter() const;
    int textLeft() const { return gutter().textLeft(); }

    // The "Clear" button: empties the log and the view.
    void clearLog();
    // The "Save" button: asks for the file, trims the lines' trailing blanks and
    // writes the log; failures go to the application's error report.
    void saveLog(SaveTextFileDialog& dialog);

    // Copies the selection to the clipboard, lines joined by CR LF.
    void copy();
    void selectAll();

    // The context menu as it would open now (the caller owns it).
    QMenu* createContextMenu();
    // Replaces how the context menu is shown (tests record instead of opening it).
    using MenuRunner = std::function<void(QMenu& menu, const QPoint& globalPos)>;
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    // The viewport cell under a viewport point, clamped into the text.
    TextPos positionAt(const QPoint& viewportPos) const;

    // Moves for assistive technology (log_view_accessible.cpp): the caret moves
    // as the keys move it, and a range is selected as a press at `anchor`
    // dragged to `caret` selects it.
    void moveCaretTo(TextPos pos);
    void selectRange(TextPos anchor, TextPos caret);
    AccessibleLogText* accessibility() const { return accessibility_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onAppended();
    void onCleared();
    void onTrimmed();
    // Brings the scroll bars in line with the state.
    void syncScrollBars();
    void scheduleBarSync();
    void updatePageSize();
    // Appends are painted at most once per screen refresh, and not at all while
    // the window is hidden or minimised.
    bool isShownOnScreen() const;
    void scheduleFrame();
    void paintFrame();
    // The x just past what the rows in sight draw: text, caret and a cell's room
    // for glyphs that reach beyond their cell. Right of it the text area is plain
    // background (and the margin), whatever the rows hold.
    int inkRight() const;
    void noteShownPicture();
    // Repaints the caret's cell only (blinking).
    void updateCaret();
    void afterCaretMove();
    void restartCaretBlink();
    bool handleNavigationKey(QKeyEvent* event);

    struct BarRanges {
        int vMax = -1, vPage = -1, hMax = -1, hPage = -1;
        bool operator==(const BarRanges&) const = default;
    };

    LogModel* model_;
    LogViewState state_;
    QFont font_;
    logview::CellMetrics metrics_;
    logview::CellGlyphs glyphs_{font_, metrics_.cellWidth};
    QTimer caretTimer_;
    bool caretOn_ = true;
    bool syncing_ = false;
    bool barSyncPending_ = false;
    bool followingEnd_ = false;  // nothing but appends moved the view since the last one
    int wheelRemainder_ = 0;
    MenuRunner menuRunner_;
    BarRanges ranges_;  // what the scroll bars were last given
    QTimer frameTimer_;
    QTimer quietTimer_;       // runs out when a stream stops
    bool frameOwed_ = false;  // streaming: the first batch past the frame's time paints it
    QElapsedTimer sinceFrame_;
    int batchesSinceFrame_ = 0;
    bool streaming_ = false;  // batches came at the reader's full rate before the last frame
    bool frameAll_ = true;    // the next frame repaints the whole viewport
    // What the screen shows since the last frame or full paint.
    qsizetype shownFirstLine_ = 0;
    qsizetype shownFirstColumn_ = 0;
    qsizetype shownLastLine_ = 0;
    int shownInkRight_ = 0;
    // The first line whose row an append changed beyond the new rows (the old
    // caret or selection), repainted with the next frame.
    static constexpr qsizetype kNoStaleLine = std::numeric_limits<qsizetype>::max();
    qsizetype staleFromLine_ = kNoStaleLine;
    int shownGutterCells_ = 0;
    int gutterCells_ = 0;
    logview::GutterBackground gutterBackground_;
    logview::RowComposer rows_{font_, metrics_};
    AccessibleLogText* accessibility_ = nullptr;  // a child: lives as long as the view
};
