#pragma once

#include <QGlyphRun>
#include <QPointF>
#include <QRawFont>
#include <QStringView>

#include <vector>

class QFont;
class QPainter;

namespace logview {

// The text face's glyphs for characters that sit one to a cell, looked up once
// per character. A run of them is then drawn as a glyph run on the cell grid,
// without the shaping that QPainter::drawText() does on every call: a view
// that follows the traffic draws a few new rows each frame, and shaping them
// was most of its cost.
class CellGlyphs {
public:
    CellGlyphs(const QFont& font, int cellWidth);

    // Draws `run` with its first character's origin at `origin`, one cell per
    // character. Returns false, drawing nothing, when the face lacks a glyph
    // for one of them (drawText() would take it from another face).
    bool draw(QPainter& painter, QPointF origin, QStringView run) const;

    // Draws a line number's digits where drawText() would set them, at the
    // face's own advance; false, drawing nothing, when that is not known.
    bool drawDigits(QPainter& painter, QPointF origin, QStringView digits) const;

    // Numbers gathered to be drawn together: the numbers of all the rows of a
    // paint then cost one glyph run, not one each. addDigits() returns false,
    // adding nothing, where drawDigits() would; drawAdded() draws and forgets.
    bool addDigits(QPointF origin, QStringView digits) const;
    void drawAdded(QPainter& painter) const;

private:
    quint32 glyphOf(char16_t ch) const;
    void drawGlyphs(QPainter& painter, QPointF origin) const;

    QRawFont face_;
    int cellWidth_;
    std::vector<qreal> digitX_;            // where drawText() sets the digits of a number, from its origin
    mutable std::vector<quint32> glyphs_;  // by character; kUnknown until looked up, 0 for none
    mutable QGlyphRun glyphRun_;
    mutable QList<quint32> indexes_;
    mutable QList<QPointF> positions_;
    mutable QList<quint32> addedIndexes_;
    mutable QList<QPointF> addedPositions_;
};

}  // namespace logview
