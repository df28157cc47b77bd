#include "logview/paint/log_view_painter.h"

#include "logstore/log_model.h"
#include "logview/log_view_state.h"
#include "logview/paint/cell_glyphs.h"
#include "logview/paint/row_composer.h"
#include "logview/paint/view_geometry.h"

#include <QPainter>

#include <algorithm>

namespace logview {
namespace {

// Characters that the text face draws one cell wide, so a run of them can be
// drawn in one call and stays on the cell grid.
bool isRunSafe(char16_t ch) {
    return !drawnAsControlBox(ch) && ch < 0x2200 && !QChar::isSurrogate(ch);
}

void fillGutter(QPainter& p, int width, int height, const QColor& from) {
    const QColor to = kGutterColorTo;
    for (int band = 0; band < kGutterBands; ++band) {
        const int x0 = band * width / kGutterBands;
        const int x1 = (band + 1) * width / kGutterBands;
        if (x1 <= x0) continue;
        auto mix = [band](int a, int b) { return a + (b - a) * band / (kGutterBands - 1); };
        p.fillRect(
            x0, 0, x1 - x0, height,
            QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue())));
    }
    p.fillRect(width - 1, 0, 1, height, kBorderColor);
}

void paintGutter(QPainter& p, const PaintInput& in, const QRect& dirty) {
    const int width = in.gutter.width();
    const int height = in.viewport.height();
    if (!in.gutterBackground) {
        fillGutter(p, width, height, in.gutterColor);
        return;
    }
    const QRect rows = dirty.intersected(QRect(0, 0, width, height));
    if (rows.isEmpty()) return;
    p.drawImage(rows.topLeft(), in.gutterBackground->image(width, height, in.gutterColor), rows);
}

// Numbers for the rows of lines [from, to]; `first` is the line on the top row.
void paintLineNumbers(QPainter& p, const PaintInput& in, qsizetype first, qsizetype from, qsizetype to) {
    p.save();
    p.setClipRect(QRect(0, 0, in.gutter.width() - 1, in.viewport.height()), Qt::IntersectClip);
    p.setPen(kLineNumberColor);
    // An empty view still shows the number 1 on its first row.
    if (in.model->lineCount() == 0) to = std::max<qsizetype>(to, 0);
    for (qsizetype line = from; line <= to; ++line) {
        const QString number = QString::number(line + 1);
        const int y = static_cast<int>(line - first) * in.metrics.lineHeight + in.metrics.ascent;
        const int x = in.gutter.numberLeft(static_cast<int>(number.size()));
        if (!in.glyphs || !in.glyphs->addDigits(QPointF(x, y), number)) p.drawText(x, y, number);
    }
    if (in.glyphs) in.glyphs->drawAdded(p);
    p.restore();
}

// The row's slice of its line, and which of its cells are selected.
struct RowText {
    QString text;
    qsizetype selectedFrom = 0, selectedTo = 0;
};

RowText rowText(const PaintInput& in, qsizetype line) {
    const LogViewState& st = *in.state;
    const qsizetype firstColumn = st.firstColumn();
    RowText row{in.model->lineSlice(line, firstColumn, st.pageColumns() + 1)};
    const qsizetype n = row.text.size();
    if (in.focused && st.hasSelection() && line >= st.selectionStart().line &&
        line <= st.selectionEnd().line) {
        const qsizetype from =
            line == st.selectionStart().line ? st.selectionStart().column - firstColumn : 0;
        const qsizetype to = line == st.selectionEnd().line ? st.selectionEnd().column - firstColumn : n;
        row.selectedFrom = std::clamp<qsizetype>(from, 0, n);
        row.selectedTo = std::clamp<qsizetype>(to, 0, n);
    }
    return row;
}

// Draws a row's text glyph by glyph on the background already there.
void paintRow(QPainter& p, const PaintInput& in, const RowText& row, int rowTop) {
    const int cw = in.metrics.cellWidth;
    const QString& text = row.text;
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    const int textLeft = in.gutter.textLeft();
    auto cellX = [&](qsizetype i) { return textLeft + static_cast<int>(i) * cw; };

    const qsizetype a = row.selectedFrom;
    const qsizetype b = row.selectedTo;
    if (b > a)
        p.fillRect(cellX(a), rowTop, static_cast<int>(b - a) * cw, in.metrics.lineHeight,
                   kSelectionBackground);

    const int baseline = rowTop + in.metrics.ascent;
    qsizetype i = 0;
    while (i < n) {
        if (drawnAsControlBox(chars[i])) {
            drawControlBox(p, cellX(i), rowTop, in.metrics);
            ++i;
            continue;
        }
        p.setPen(kTextColor);
        if (isRunSafe(chars[i])) {
            qsizetype end = i + 1;
            while (end < n && isRunSafe(chars[end])) ++end;
            // The glyphs are set one to a cell, whatever the face's own advance.
            if (in.glyphs &&
                in.glyphs->draw(p, QPointF(cellX(i), baseline), QStringView(text).mid(i, end - i))) {
                i = end;
                continue;
            }
            if (in.metrics.runsAlignToCells) {
                p.drawText(cellX(i), baseline, text.mid(i, end - i));
            } else {
                for (; i < end; ++i) p.drawText(cellX(i), baseline, text.mid(i, 1));
            }
            i = end;
            continue;
        }
        const qsizetype len = (QChar::isHighSurrogate(chars[i]) && i + 1 < n) ? 2 : 1;
        p.drawText(cellX(i), baseline, text.mid(i, len));
        i += len;
    }
}

// A row of a line in one picture: the gutter's background, the background and
// the text from cell pictures where it has them (else drawn glyph by glyph over it).
void composeRow(QPainter& p, const PaintInput& in, qsizetype first, qsizetype line, int width,
                const QImage& gutter, const QRect& textArea) {
    const int rowTop = static_cast<int>(line - first) * in.metrics.lineHeight;
    RowComposer& rows = *in.rows;
    rows.begin(width, gutter);
    const RowText row = rowText(in, line);
    const bool textPut = rows.putText(in.gutter.textLeft(), row.text, row.selectedFrom, row.selectedTo);
    p.drawImage(QPoint(0, rowTop), rows.row());
    if (!textPut) {
        p.save();
        p.setClipRect(textArea, Qt::IntersectClip);
        paintRow(p, in, row, rowTop);
        p.restore();
    }
}

}  // namespace

const QImage& GutterBackground::image(int width, int height, const QColor& from) {
    if (image_.width() != width || image_.height() < height || from_ != from) {
        // Taller than asked, so that a window growing a little at a time does
        // not make it again for every step.
        image_ = QImage(width, height + height / 4, QImage::Format_RGB32);
        from_ = from;
        QPainter p(&image_);
        fillGutter(p, image_.width(), image_.height(), from);
    }
    return image_;
}

void paintLogView(QPainter& p, const PaintInput& in) {
    const LogViewState& st = *in.state;
    const int lh = in.metrics.lineHeight;
    const QRect area = in.viewport;
    // Only the rows that meet the dirty part are read and drawn: after a batch the
    // view scrolls what it has painted and asks for the new rows alone.
    const QRect dirty = in.dirty.isEmpty() ? area : in.dirty.intersected(area);
    p.setClipRect(dirty);
    p.setFont(in.font);

    const qsizetype first = st.firstLine();
    const qsizetype visibleRows = area.height() / lh + 1;
    const qsizetype last = std::min(first + visibleRows - 1, in.model->lineCount() - 1);
    const qsizetype paintFirst = first + std::max(dirty.top(), 0) / lh;
    const qsizetype paintLast = std::min(last, first + dirty.bottom() / lh);
    const int textLeft = in.gutter.textLeft();
    const QRect textArea =
        QRect(textLeft, 0, std::max(area.width() - textLeft, 0), area.height()).intersected(dirty);
    auto rowTop = [&](qsizetype line) { return static_cast<int>(line - first) * lh; };

    qsizetype line = paintFirst;
    if (in.rows && in.gutterBackground) {
        const QImage& gutter = in.gutterBackground->image(in.gutter.width(), area.height(), in.gutterColor);
        const int width = std::min(area.width(), dirty.right() + 1);
        for (; line <= paintLast; ++line) composeRow(p, in, first, line, width, gutter, textArea);
        paintLineNumbers(p, in, first, paintFirst, line - 1);
    }
    // Below the rows put together (all of the dirty part without a composer).
    const QRect rest = dirty.intersected(QRect(0, rowTop(line), area.width(), area.height()));
    if (!rest.isEmpty()) {
        p.save();
        p.setClipRect(rest);
        // The gutter covers its own strip; the background only the rest.
        p.fillRect(rest.intersected(QRect(in.gutter.width(), 0, area.width(), area.height())), kBackground);
        paintGutter(p, in, rest);
        paintLineNumbers(p, in, first, line, paintLast);
        p.setClipRect(textArea.intersected(rest));
        for (; line <= paintLast; ++line) paintRow(p, in, rowText(in, line), rowTop(line));
        p.restore();
    }

    p.save();
    p.setClipRect(textArea);
    const qint64 marginX = columnLeft(textLeft, kRightMarginColumn, st.firstColumn(), in.metrics.cellWidth);
    if (marginX >= textLeft && marginX <= area.width())
        p.fillRect(int(marginX), 0, kRightMarginWidth, area.height(), kRightMarginColor);

    const TextPos caret = st.caret();
    const qint64 caretX = columnLeft(textLeft, caret.column, st.firstColumn(), in.metrics.cellWidth);
    if (in.focused && in.caretOn && caret.line >= first && caret.line <= first + visibleRows &&
        caret.column >= st.firstColumn() && caretX <= area.width()) {
        p.fillRect(int(caretX), rowTop(caret.line) + 1, kCaretWidth, lh - 2, kTextColor);
    }
    p.restore();
}

}  // namespace logview
