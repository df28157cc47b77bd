#include "logview/log_view_painter.h"

#include "logview/log_model.h"
#include "logview/log_view_state.h"

#include <QPainter>

#include <algorithm>

namespace logview {
namespace {

// Characters drawn as a small box: C0 controls, DEL and the C1 controls.
bool isControl(char16_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

// Characters that the text face draws one cell wide, so a run of them can be
// drawn in one call and stays on the cell grid.
bool isRunSafe(char16_t ch) {
    return !isControl(ch) && ch < 0x2200 && !QChar::isSurrogate(ch);
}

void paintGutter(QPainter& p, const PaintInput& in) {
    const int height = in.viewport.height();
    const QColor from = in.gutterColor;
    const QColor to = kGutterColorTo;
    for (int band = 0; band < kGutterBands; ++band) {
        const int x0 = band * kGutterWidth / kGutterBands;
        const int x1 = (band + 1) * kGutterWidth / kGutterBands;
        if (x1 <= x0) continue;
        auto mix = [band](int a, int b) { return a + (b - a) * band / (kGutterBands - 1); };
        p.fillRect(
            x0, 0, x1 - x0, height,
            QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue())));
    }
    p.fillRect(kGutterWidth - 1, 0, 1, height, kBorderColor);
}

void paintLineNumbers(QPainter& p, const PaintInput& in, qsizetype first, qsizetype last) {
    p.save();
    p.setClipRect(0, 0, kGutterWidth - 1, in.viewport.height());
    p.setPen(kLineNumberColor);
    const int lh = in.metrics.lineHeight;
    // An empty view still shows the number 1 on its first row.
    const qsizetype shownLast = in.model->lineCount() == 0 ? 0 : last;
    for (qsizetype line = first; line <= shownLast; ++line) {
        const QString number = QString::number(line + 1);
        const int y = static_cast<int>(line - first) * lh + in.metrics.ascent;
        p.drawText(lineNumberLeft(static_cast<int>(number.size())), y, number);
    }
    p.restore();
}

void paintControlSymbol(QPainter& p, const PaintInput& in, int x, int rowTop) {
    const int w = in.metrics.cellWidth;
    const int h = in.metrics.lineHeight;
    p.setPen(kControlSymbolColor);
    p.drawRect(x + 1, rowTop + 3, std::max(w - 3, 1), std::max(h - 7, 1));
}

void paintRow(QPainter& p, const PaintInput& in, qsizetype line, int rowTop) {
    const LogViewState& st = *in.state;
    const int cw = in.metrics.cellWidth;
    const qsizetype firstColumn = st.firstColumn();
    const QString text = in.model->lineSlice(line, firstColumn, st.pageColumns() + 1);
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    auto cellX = [&](qsizetype i) { return kTextLeft + static_cast<int>(i) * cw; };

    if (in.focused && st.hasSelection() && line >= st.selectionStart().line &&
        line <= st.selectionEnd().line) {
        const qsizetype from =
            line == st.selectionStart().line ? st.selectionStart().column - firstColumn : 0;
        const qsizetype to = line == st.selectionEnd().line ? st.selectionEnd().column - firstColumn : n;
        const qsizetype a = std::clamp<qsizetype>(from, 0, n);
        const qsizetype b = std::clamp<qsizetype>(to, 0, n);
        if (b > a)
            p.fillRect(cellX(a), rowTop, static_cast<int>(b - a) * cw, in.metrics.lineHeight,
                       kSelectionBackground);
    }

    const int baseline = rowTop + in.metrics.ascent;
    qsizetype i = 0;
    while (i < n) {
        if (isControl(chars[i])) {
            paintControlSymbol(p, in, cellX(i), rowTop);
            ++i;
            continue;
        }
        p.setPen(kTextColor);
        if (!in.metrics.runsAlignToCells || !isRunSafe(chars[i])) {
            const qsizetype len = (QChar::isHighSurrogate(chars[i]) && i + 1 < n) ? 2 : 1;
            p.drawText(cellX(i), baseline, text.mid(i, len));
            i += len;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && isRunSafe(chars[end])) ++end;
        p.drawText(cellX(i), baseline, text.mid(i, end - i));
        i = end;
    }
}

}  // namespace

void paintLogView(QPainter& p, const PaintInput& in) {
    const LogViewState& st = *in.state;
    const int lh = in.metrics.lineHeight;
    const QRect area = in.viewport;
    p.fillRect(area, kBackground);
    paintGutter(p, in);

    const qsizetype first = st.firstLine();
    const qsizetype visibleRows = area.height() / lh + 1;
    const qsizetype last = std::min(first + visibleRows - 1, in.model->lineCount() - 1);

    p.setFont(in.font);
    paintLineNumbers(p, in, first, std::max(last, first));

    p.save();
    p.setClipRect(QRect(kTextLeft, 0, std::max(area.width() - kTextLeft, 0), area.height()));
    for (qsizetype line = first; line <= last; ++line)
        paintRow(p, in, line, static_cast<int>(line - first) * lh);

    const int marginX =
        kTextLeft + static_cast<int>(kRightMarginColumn - st.firstColumn()) * in.metrics.cellWidth;
    if (marginX >= kTextLeft) p.fillRect(marginX, 0, kRightMarginWidth, area.height(), kRightMarginColor);

    const TextPos caret = st.caret();
    if (in.focused && in.caretOn && caret.line >= first && caret.line <= first + visibleRows &&
        caret.column >= st.firstColumn()) {
        const int x = kTextLeft + static_cast<int>(caret.column - st.firstColumn()) * in.metrics.cellWidth;
        const int y = static_cast<int>(caret.line - first) * lh + 1;
        p.fillRect(x, y, kCaretWidth, lh - 2, kTextColor);
    }
    p.restore();
}

}  // namespace logview
