#pragma once
// The log view's fixed look: font, colours and geometry. Coordinates are those of
// the view's viewport, which lies inside the view's 1-pixel frame.

#include <QColor>
#include <QFont>
#include <QFontMetrics>

namespace logview {

inline constexpr int kFrameWidth = 1;
inline constexpr int kGutterWidth = 45;  // from the frame's inner edge
inline constexpr int kGutterBands = 48;
inline constexpr int kTextLeft = 48 - kFrameWidth;  // 48 px from the view's left edge
inline constexpr int kRightMarginColumn = 80;
inline constexpr int kRightMarginWidth = 2;
inline constexpr int kCaretWidth = 2;
inline constexpr int kWheelLinesPerNotch = 4;

inline const QColor kTextColor{255, 255, 255};
inline const QColor kBackground{0, 0, 0};
inline const QColor kSelectionText{255, 255, 255};
inline const QColor kSelectionBackground{0, 0, 128};
inline const QColor kRightMarginColor{226, 226, 226};
inline const QColor kBorderColor{128, 128, 128};
inline const QColor kGutterColorTo{255, 255, 255};
inline const QColor kLineNumberColor{0, 0, 0};
inline const QColor kControlSymbolColor{150, 150, 150};

// Characters drawn as a small box: C0 controls, DEL and the C1 controls.
inline bool drawnAsControlBox(char16_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

// "Courier New" 13 px; fontconfig maps it to a metric-compatible face when absent.
QFont textFont();

// Left edge of a line number with `digits` digits, so that numbers up to 9999 end
// in the same place (24, 16, 8, 0 px from the view's left edge).
int lineNumberLeft(int digits);

// The gutter as wide as the line count needs: up to five digits it is the fixed
// one above; every further digit widens it by one cell and moves the text area,
// the border and the numbers right by the same.
struct GutterLayout {
    int extraCells = 0;
    int cellWidth = 8;
    static GutterLayout of(qsizetype lineCount, int cellWidth);
    int width() const { return kGutterWidth + extraCells * cellWidth; }
    int textLeft() const { return kTextLeft + extraCells * cellWidth; }
    // Left edge of a number with `digits` digits: shorter numbers stand as in the
    // fixed gutter, moved right; longer ones end where a five-digit one ends.
    int numberLeft(int digits) const;
};

// Cell and row sizes of the text font.
struct CellMetrics {
    int cellWidth = 8;
    int lineHeight = 16;
    int ascent = 12;
    bool runsAlignToCells = true;  // a run of text advances exactly one cell per character
    static CellMetrics of(const QFont& font);
};

}  // namespace logview
