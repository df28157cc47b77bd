#pragma once
// Rows of the log view put together from pictures of single cells.
//
// In a fixed-pitch face whose glyphs stay inside their cells, a row looks the
// same whether its glyphs are drawn one by one or its cells are copied from
// pictures made once per character; copying is many times cheaper, and a view
// that follows the traffic draws hundreds of rows a second. A character whose
// glyph reaches out of its cell (or that another face would draw) has no
// picture: such a row is left to the glyph drawing in log_view_painter.cpp.
// Line numbers are not put here: their digits stand a fraction of a pixel
// apart in most faces, so they go in one glyph run over the rows.

#include "logview/paint/log_view_look.h"

#include <QFont>
#include <QImage>
#include <QStringView>

#include <vector>

class QPainter;

namespace logview {

// The box that stands for a control character in its cell.
void drawControlBox(QPainter& p, int x, int rowTop, const CellMetrics& metrics);

class RowComposer {
public:
    RowComposer(const QFont& font, const CellMetrics& metrics);

    // Starts a row `width` pixels wide: the first row of `gutter` (the gutter's
    // background) at its left, black after it. The row is kept from one call
    // to the next, so only the cells that change are written again.
    void begin(int width, const QImage& gutter);
    // Puts `text` in cells from x = `left`, the cells [selectedFrom, selectedTo)
    // white on navy; false, leaving the row black right of the gutter, when a
    // character has no picture.
    bool putText(int left, QStringView text, qsizetype selectedFrom, qsizetype selectedTo);
    const QImage& row() const { return row_; }

private:
    const QImage* textCell(char16_t ch, bool selected);
    // Whether the face draws `ch` inside one cell, as the view would set it.
    bool staysInCell(char16_t ch) const;
    void copyCell(const QImage& cell, int x);
    // Makes the row black from x = `from` to where the last row's text ended.
    void clearFrom(int from);

    QFont font_;
    CellMetrics metrics_;
    QImage row_;
    qint64 gutterKey_ = 0;  // the gutter picture the row was started with
    int inkEnd_ = 0;        // the row is black from here on
    enum class Fit : quint8 { Unknown, Inside, Outside };
    std::vector<Fit> fits_;                 // by character
    std::vector<QImage> plain_, selected_;  // by character, made when first needed
};

}  // namespace logview
