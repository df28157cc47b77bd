#include "logview/paint/log_view_look.h"

#include <QString>

#include <algorithm>

namespace logview {

QFont textFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    font.setKerning(false);
    return font;
}

int lineNumberLeft(int digits) {
    const int fromViewEdge = digits >= 4 ? 0 : 24 - 8 * (digits - 1);
    return fromViewEdge - kFrameWidth;
}

GutterLayout GutterLayout::of(qsizetype lineCount, int cellWidth) {
    int digits = 1;
    for (qsizetype n = lineCount; n >= 10; n /= 10) ++digits;
    return GutterLayout{std::max(digits - 5, 0), cellWidth};
}

int GutterLayout::numberLeft(int digits) const {
    const int shift = (extraCells - std::max(digits - 5, 0)) * cellWidth;
    return lineNumberLeft(std::min(digits, 5)) + shift;
}

CellMetrics CellMetrics::of(const QFont& font) {
    const QFontMetrics fm(font);
    CellMetrics m;
    m.cellWidth = fm.horizontalAdvance(QLatin1Char('W'));
    // A row is as high as the text "W_" plus one pixel.
    m.lineHeight = fm.height() + 1;
    m.ascent = fm.ascent();
    m.runsAlignToCells = fm.horizontalAdvance(QString(16, QLatin1Char('W'))) == 16 * m.cellWidth &&
                         fm.horizontalAdvance(QString(16, QLatin1Char('i'))) == 16 * m.cellWidth;
    return m;
}

}  // namespace logview
