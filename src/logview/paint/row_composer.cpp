#include "logview/paint/row_composer.h"

#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cstring>

namespace logview {
namespace {
constexpr char16_t kTableSize = 0x2200;  // as CellGlyphs: the characters a cell may hold lie below
}  // namespace

RowComposer::RowComposer(const QFont& font, const CellMetrics& metrics)
    : font_(font),
      metrics_(metrics),
      fits_(kTableSize, Fit::Unknown),
      plain_(kTableSize),
      selected_(kTableSize) {}

void RowComposer::begin(int width, const QImage& gutter) {
    if (row_.width() == std::max(width, 1) && row_.height() == metrics_.lineHeight &&
        gutterKey_ == gutter.cacheKey())
        return;
    row_ = QImage(std::max(width, 1), metrics_.lineHeight, QImage::Format_RGB32);
    gutterKey_ = gutter.cacheKey();
    inkEnd_ = 0;
    const int gutterWidth = std::min(gutter.width(), row_.width());
    const auto* gutterLine = reinterpret_cast<const quint32*>(gutter.constScanLine(0));
    for (int y = 0; y < row_.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(row_.scanLine(y));
        std::memcpy(line, gutterLine, std::size_t(gutterWidth) * sizeof(quint32));
        std::fill(line + gutterWidth, line + row_.width(), kBackground.rgb());
    }
}

void RowComposer::clearFrom(int from) {
    from = std::max(from, 0);
    const int to = std::min(inkEnd_, row_.width());
    for (int y = 0; y < row_.height() && from < to; ++y) {
        auto* line = reinterpret_cast<quint32*>(row_.scanLine(y));
        std::fill(line + from, line + to, kBackground.rgb());
    }
    inkEnd_ = std::min(inkEnd_, from);
}

bool RowComposer::staysInCell(char16_t ch) const {
    const int cw = metrics_.cellWidth;
    const int lh = metrics_.lineHeight;
    QImage probe(3 * cw, 3 * lh, QImage::Format_RGB32);
    probe.fill(Qt::black);
    {
        QPainter p(&probe);
        p.setFont(font_);
        p.setPen(Qt::white);
        p.drawText(cw, lh + metrics_.ascent, QString(QChar(ch)));
    }
    const QRect cell(cw, lh, cw, lh);
    for (int y = 0; y < probe.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(probe.constScanLine(y));
        for (int x = 0; x < probe.width(); ++x)
            if ((line[x] & 0xffffff) != 0 && !cell.contains(x, y)) return false;
    }
    return true;
}

const QImage* RowComposer::textCell(char16_t ch, bool selected) {
    if (ch >= kTableSize || QChar::isSurrogate(ch)) return nullptr;
    const bool control = drawnAsControlBox(ch);
    Fit& fit = fits_[ch];
    if (fit == Fit::Unknown) {
        // A character the face lacks would come from another face, set by its
        // own advance: that is the glyph drawing's business.
        const bool drawable =
            control || (QRawFont::fromFont(font_).supportsCharacter(QChar(ch)) && staysInCell(ch));
        fit = drawable ? Fit::Inside : Fit::Outside;
    }
    if (fit == Fit::Outside) return nullptr;
    QImage& cell = (selected ? selected_ : plain_)[ch];
    if (cell.isNull()) {
        cell = QImage(metrics_.cellWidth, metrics_.lineHeight, QImage::Format_RGB32);
        cell.fill(selected ? kSelectionBackground : kBackground);
        QPainter p(&cell);
        if (control) {
            drawControlBox(p, 0, 0, metrics_);
        } else {
            p.setFont(font_);
            p.setPen(kTextColor);
            p.drawText(0, metrics_.ascent, QString(QChar(ch)));
        }
    }
    return &cell;
}

namespace {

// Copies `rows` lines of `Width` pixels: a width known to the compiler turns
// into a few vector moves, where memcpy would be a call per line.
template <int Width>
void copyLines(uchar* dst, qsizetype dstStride, const uchar* src, qsizetype srcStride, int rows) {
    for (; rows > 0; --rows, dst += dstStride, src += srcStride) {
        quint32 line[Width];
        std::memcpy(line, src, sizeof line);
        std::memcpy(dst, line, sizeof line);
    }
}

}  // namespace

void RowComposer::copyCell(const QImage& cell, int x) {
    const int width = std::min(cell.width(), row_.width() - x);
    if (width <= 0) return;
    const qsizetype stride = row_.bytesPerLine();
    const qsizetype cellStride = cell.bytesPerLine();
    uchar* dst = row_.bits() + qsizetype(x) * qsizetype(sizeof(quint32));
    const uchar* src = cell.constBits();
    const int rows = metrics_.lineHeight;
    switch (width) {
        case 7:
            copyLines<7>(dst, stride, src, cellStride, rows);
            return;
        case 8:
            copyLines<8>(dst, stride, src, cellStride, rows);
            return;
        case 9:
            copyLines<9>(dst, stride, src, cellStride, rows);
            return;
        default:
            for (int y = rows; y > 0; --y, dst += stride, src += cellStride)
                std::memcpy(dst, src, std::size_t(width) * sizeof(quint32));
    }
}

bool RowComposer::putText(int left, QStringView text, qsizetype selectedFrom, qsizetype selectedTo) {
    // Every character is checked, also those past the row's end: a glyph left
    // to the glyph drawing could reach back into the row.
    for (const QChar ch : text) {
        if (!textCell(ch.unicode(), false)) {
            clearFrom(left);
            return false;
        }
    }
    const int cw = metrics_.cellWidth;
    qsizetype i = 0;
    for (; i < text.size() && left + int(i) * cw < row_.width(); ++i) {
        const bool selected = i >= selectedFrom && i < selectedTo;
        copyCell(*textCell(text[i].unicode(), selected), left + int(i) * cw);
    }
    const int end = std::min(left + int(i) * cw, row_.width());
    clearFrom(end);
    inkEnd_ = end;
    return true;
}

void drawControlBox(QPainter& p, int x, int rowTop, const CellMetrics& metrics) {
    const int w = metrics.cellWidth;
    const int h = metrics.lineHeight;
    p.setPen(kControlSymbolColor);
    p.drawRect(x + 1, rowTop + 3, std::max(w - 3, 1), std::max(h - 7, 1));
}

}  // namespace logview
