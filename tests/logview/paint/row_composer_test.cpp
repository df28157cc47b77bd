#include "logview/paint/row_composer.h"

#include "logstore/log_model.h"
#include "logview/log_view_state.h"
#include "logview/paint/cell_glyphs.h"
#include "logview/paint/log_view_painter.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace logview;

namespace {

// The whole viewport painted once with rows put together from cell pictures
// and once glyph by glyph; both must be the same picture.
class RowComposerTest : public ::testing::Test {
protected:
    QImage paint(bool composed, QRect dirty = {}) {
        LogViewState state(model);
        state.setPageSize(kSize.height() / metrics.lineHeight, (kSize.width() - 60) / metrics.cellWidth);
        if (select)
            state.moveTo(selectFrom, false), state.moveTo(selectTo, true);
        else
            state.followEnd();
        QImage image(kSize, QImage::Format_RGB32);
        image.fill(Qt::red);  // anything left unpainted shows
        QPainter p(&image);
        PaintInput in;
        in.model = &model;
        in.state = &state;
        in.metrics = metrics;
        in.gutter = GutterLayout::of(model.lineCount(), metrics.cellWidth);
        in.font = font;
        in.glyphs = &glyphs;
        in.viewport = image.rect();
        in.dirty = dirty;
        in.gutterColor = QColor(239, 239, 239);
        in.gutterBackground = &gutter;
        in.rows = composed ? &rows : nullptr;
        in.focused = true;
        in.caretOn = true;
        paintLogView(p, in);
        return image;
    }

    static constexpr QSize kSize{640, 200};
    QFont font = textFont();
    CellMetrics metrics = CellMetrics::of(font);
    CellGlyphs glyphs{font, metrics.cellWidth};
    GutterBackground gutter;
    RowComposer rows{font, metrics};
    LogModel model;
    bool select = false;
    TextPos selectFrom, selectTo;
};

}  // namespace

TEST_F(RowComposerTest, RowsFromCellsLookExactlyLikeRowsDrawnGlyphByGlyph) {
    // Traffic, controls, Latin-1 and the euro sign; a row with a glyph that
    // leaves its cell ('_') and one the face lacks, which go the glyph way.
    model.append(
        QStringView(u"7E8 03 41 0C 1A F8 00 00\r\x01\x7f tab\tend\x85\r"
                    u"\u00e4\u00f6\u00fc\u00df \u20ac {|}~\rsnake_case\rprivate \ue000 use\r"
                    u"past the margin: "
                    u"0123456789012345678901234567890123456789012345678901234567890123456789"));
    EXPECT_EQ(paint(true), paint(false));

    // A selection over parts of three rows: navy cells.
    select = true;
    selectFrom = {0, 4};
    selectTo = {2, 3};
    EXPECT_EQ(paint(true), paint(false));
}

TEST_F(RowComposerTest, FiveDigitNumbersStartingUnderTheFrameLookTheSame) {
    // Numbers go in one glyph run over the rows; the rows must leave them room.
    QString text;
    for (int i = 0; i < 10005; ++i) text += u"7E8 03 41 0D 17\r";
    model.append(text);
    ASSERT_EQ(GutterLayout::of(model.lineCount(), metrics.cellWidth).numberLeft(5), -1);
    EXPECT_EQ(paint(true), paint(false));
}

TEST_F(RowComposerTest, APaintOfTheRowsBelowTheLastLineLooksAsThatPartOfAWholePaint) {
    model.append(u"one\rtwo\rthree");
    const QRect below(0, 5 * metrics.lineHeight, kSize.width(), 3 * metrics.lineHeight);
    for (const bool composed : {true, false}) {
        const QImage whole = paint(composed);
        EXPECT_EQ(paint(composed, below).copy(below), whole.copy(below)) << "composed " << composed;
    }
}
