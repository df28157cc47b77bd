#pragma once
// Paints the log view's viewport: gutter with line numbers, the visible rows of
// text with the selection, the right margin and the caret. Only the visible rows
// are read from the model, so a frame costs the same at any log length.

#include "logview/paint/log_view_look.h"

#include <QColor>
#include <QImage>
#include <QRect>

class LogModel;
class LogViewState;
class QPainter;

namespace logview {

class CellGlyphs;
class RowComposer;

// The gutter's background, its bands and its border, kept as one picture and
// made again only when its size or colour changes: filling 48 bands on every
// frame cost more than the frame's text.
class GutterBackground {
public:
    const QImage& image(int width, int height, const QColor& from);

private:
    QImage image_;
    QColor from_;
};

struct PaintInput {
    const LogModel* model = nullptr;
    const LogViewState* state = nullptr;
    CellMetrics metrics;
    GutterLayout gutter;  // as wide as the line count needs
    QFont font;
    const CellGlyphs* glyphs = nullptr;            // runs on the cell grid; drawText() without
    QRect viewport;                                // the viewport's rectangle, origin at (0, 0)
    QRect dirty;                                   // the part to paint; empty for the whole viewport
    QColor gutterColor;                            // the desktop's button face
    GutterBackground* gutterBackground = nullptr;  // the bands are filled each time without it
    RowComposer* rows = nullptr;                   // rows are drawn glyph by glyph without it
    bool focused = false;                          // selection and caret show only with focus
    bool caretOn = false;                          // the caret's blink phase
};

void paintLogView(QPainter& painter, const PaintInput& in);

}  // namespace logview
