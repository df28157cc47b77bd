#include "logview/view_test_support.h"

namespace {

const QRgb kBorder = qRgb(128, 128, 128);

bool isDark(QRgb c) {
    return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100;
}
bool isBright(QRgb c) {
    return qRed(c) > 150 || qGreen(c) > 150 || qBlue(c) > 150;
}

struct Span {
    int left = -1;
    int right = -1;
};

// The dark (or bright) pixels of the row band [top, top + height) between x0 and x1.
template <class Pred>
Span spanOf(const QImage& img, int top, int height, int x0, int x1, Pred pred) {
    Span s;
    for (int x = x0; x < x1; ++x)
        for (int y = top; y < top + height; ++y)
            if (pred(img.pixel(x, y))) {
                if (s.left < 0) s.left = x;
                s.right = x;
            }
    return s;
}

}  // namespace

class LogViewGutterTest : public LogViewTest {
protected:
    // `lines` one-character lines; the view follows the last one.
    void fill(qsizetype lines) {
        model.clear();
        model.append(QStringLiteral("x\r").repeated(lines - 1) + u'x');
        settle();
    }

    // Checks the gutter and the last row of a view that follows a log of `lines`
    // lines: `extra` cells wider than the fixed gutter, the whole number inside
    // it, apart from the border, and the text moved right by the same.
    void expectGutter(qsizetype lines, int extra) {
        ASSERT_EQ(model.lineCount(), lines);
        const QImage img = grab();
        const int cw = view.metrics().cellWidth;
        const int lh = view.metrics().lineHeight;
        const int border = 45 + extra * cw;  // in view coordinates, the frame is at 0
        const int textLeft = 48 + extra * cw;
        EXPECT_EQ(view.gutter().extraCells, extra);
        EXPECT_EQ(img.pixel(border, 200), kBorder) << lines;
        EXPECT_NE(img.pixel(border - 1, 200), kBorder) << lines;
        EXPECT_GE(QColor(img.pixel(border - 1, 200)).red(), 250) << "gradient runs to white at " << lines;
        for (int x = border + 1; x < textLeft; ++x) EXPECT_EQ(img.pixel(x, 200), qRgb(0, 0, 0)) << x;

        const int row = 1 + int(lines - 1 - view.state().firstLine()) * lh;
        const int digits = int(QString::number(lines).size());
        const Span number = spanOf(img, row, lh, 1, border, isDark);
        EXPECT_GE(number.left, 1);
        EXPECT_LE(number.right, border - 3) << "the number stands apart from the border";
        EXPECT_GT(number.right - number.left + 1, (digits - 1) * cw) << "every digit shows";
        // The row's text "x" starts in the first cell of the moved text area.
        // (The caret stands right after it.)
        EXPECT_EQ(spanOf(img, row, lh, border + 1, textLeft, isBright).left, -1);
        EXPECT_GE(spanOf(img, row, lh, textLeft, textLeft + cw, isBright).left, textLeft);
    }
};

TEST_F(LogViewGutterTest, FiveDigitsKeepTheFixedGutter) {
    fill(99999);
    expectGutter(99999, 0);
}

TEST_F(LogViewGutterTest, SixDigitsWidenItByOneCell) {
    fill(99999);
    model.append(u"\ry");  // the batch that brings line 100,000
    settle();
    expectGutter(100000, 1);
}

TEST_F(LogViewGutterTest, TenMillionLinesWidenItByThreeCellsAndClearGoesBack) {
    fill(10000000);
    expectGutter(10000000, 3);
    EXPECT_EQ(view.state().pageColumns(),
              (view.viewport()->width() - 47 - 3 * view.metrics().cellWidth) / view.metrics().cellWidth);
    view.clearLog();
    settle();
    const QImage img = grab();
    EXPECT_EQ(view.gutter().extraCells, 0);
    EXPECT_EQ(img.pixel(45, 200), kBorder);
    EXPECT_EQ(img.pixel(45 + view.metrics().cellWidth, 200), qRgb(0, 0, 0));
}
