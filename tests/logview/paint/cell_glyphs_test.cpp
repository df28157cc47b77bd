#include "logview/paint/cell_glyphs.h"
#include "logview/paint/log_view_look.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <functional>

namespace {

// White text on black, as the view draws it, in an image of its own.
QImage picture(const std::function<void(QPainter&)>& draw) {
    QImage image(240, 24, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setFont(logview::textFont());
    p.setPen(QColor(255, 255, 255));
    draw(p);
    return image;
}

}  // namespace

// The glyph runs must look exactly like the drawText() calls they replace.
TEST(CellGlyphs, RunsAndNumbersMatchDrawTextPixelForPixel) {
    const QFont font = logview::textFont();
    const auto metrics = logview::CellMetrics::of(font);
    const logview::CellGlyphs glyphs(font, metrics.cellWidth);
    const QString run = QString::fromUtf16(u"7E8 03 41 0C {|}~ \u00E4\u00F6\u00FC\u00DF\u20AC");
    const QImage byCell = picture([&](QPainter& p) {
        for (qsizetype i = 0; i < run.size(); ++i)
            p.drawText(3 + int(i) * metrics.cellWidth, 16, run.mid(i, 1));
    });
    const QImage asRun = picture([&](QPainter& p) { EXPECT_TRUE(glyphs.draw(p, QPointF(3, 16), run)); });
    EXPECT_EQ(asRun, byCell);

    for (const QString& number :
         {QStringLiteral("1"), QStringLiteral("1234567890"), QStringLiteral("10000000")}) {
        const QImage shaped = picture([&](QPainter& p) { p.drawText(5, 16, number); });
        const QImage set =
            picture([&](QPainter& p) { EXPECT_TRUE(glyphs.drawDigits(p, QPointF(5, 16), number)); });
        EXPECT_EQ(set, shaped) << number.toStdString();
    }
}

TEST(CellGlyphs, ACharacterTheFaceLacksLeavesTheRunToDrawText) {
    const QFont font = logview::textFont();
    const logview::CellGlyphs glyphs(font, logview::CellMetrics::of(font).cellWidth);
    const QImage blank = picture([](QPainter&) {});
    // A private-use character: no face has it.
    const QImage drawn = picture([&](QPainter& p) {
        EXPECT_FALSE(glyphs.draw(p, QPointF(3, 16), QString::fromUtf16(u"ab\uE000c")));
        EXPECT_FALSE(glyphs.drawDigits(p, QPointF(3, 16), u"12a"));
    });
    EXPECT_EQ(drawn, blank);
}
