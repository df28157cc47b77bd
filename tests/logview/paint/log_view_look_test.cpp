#include "logview/view_test_support.h"

#include <QPainter>
#include <QScrollBar>

namespace {

// View pixel in view coordinates (the frame is at 0).
QRgb at(const QImage& img, int x, int y) {
    return img.pixel(x, y);
}
bool isDark(QRgb c) {
    return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100;
}

// Leftmost dark pixel of the gutter between rows [top, top + height), or -1.
int leftmostDark(const QImage& img, int top, int height) {
    for (int x = 1; x < 45; ++x)
        for (int y = top; y < top + height; ++y)
            if (isDark(at(img, x, y))) return x;
    return -1;
}

// Bounding box of the dark pixels of `img` within `area`, or a null rect.
QRect inkBox(const QImage& img, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isDark(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

// Where the ink of `text` lies when drawn in `font` with its origin (the left
// end of the baseline) at (0, 0).
QRect inkOffsetOf(const QString& text, const QFont& font) {
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(50, 40, text);
    p.end();
    return inkBox(img, img.rect()).translated(-50, -40);
}

}  // namespace

TEST_F(LogViewTest, FrameGutterGradientAndBorderColumn) {
    const QImage img = grab();
    EXPECT_EQ(at(img, 0, 200), qRgb(128, 128, 128));
    EXPECT_EQ(at(img, 320, 0), qRgb(128, 128, 128));
    EXPECT_EQ(at(img, 1, 200), QApplication::palette().color(QPalette::Button).rgb());
    EXPECT_EQ(at(img, 45, 200), qRgb(128, 128, 128));  // the gutter's rightmost column
    const QColor nearRight(at(img, 44, 200));
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_GE(nearRight.red(), std::max(face.red(), 250));  // the gradient runs to white
    EXPECT_EQ(at(img, 300, 200), qRgb(0, 0, 0));
}

TEST_F(LogViewTest, EmptyViewShowsNumberOneOnItsFirstRowOnly) {
    const QImage img = grab();
    const int lh = view.metrics().lineHeight;
    EXPECT_GE(leftmostDark(img, 1, lh), 24);
    EXPECT_EQ(leftmostDark(img, 1 + lh, 5 * lh), -1);
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
}

TEST_F(LogViewTest, LineNumbersMoveLeftByOneCellPerDigitUpToFour) {
    appendLines(1200);
    const int lh = view.metrics().lineHeight;
    std::vector<int> lefts;
    for (int first : {0, 9, 99, 999}) {  // lines 1, 10, 100, 1000 on the first row
        view.verticalScrollBar()->setValue(first);
        ASSERT_EQ(view.state().firstLine(), first);
        lefts.push_back(leftmostDark(grab(), 1, lh));
    }
    EXPECT_GE(lefts[0], 24);
    EXPECT_EQ(lefts[0] - lefts[1], 8);
    EXPECT_EQ(lefts[1] - lefts[2], 8);
    EXPECT_EQ(lefts[2] - lefts[3], 8);
}

TEST_F(LogViewTest, RightMarginAtColumnEightyMovesWithHorizontalScroll) {
    view.resize(900, 400);
    model.append(QString(200, u'x') + QStringLiteral("\rshort"));
    settle();
    const int cw = view.metrics().cellWidth;
    view.horizontalScrollBar()->setValue(0);
    const int y = 1 + 5 * view.metrics().lineHeight;  // a row without text
    QImage img = grab();
    const int x = 48 + 80 * cw;
    EXPECT_EQ(at(img, x, y), qRgb(226, 226, 226));
    EXPECT_EQ(at(img, x + 1, y), qRgb(226, 226, 226));
    EXPECT_EQ(at(img, x + 2, y), qRgb(0, 0, 0));
    view.horizontalScrollBar()->setValue(10);
    img = grab();
    EXPECT_EQ(at(img, x, y), qRgb(0, 0, 0));
    EXPECT_EQ(at(img, x - 10 * cw, y), qRgb(226, 226, 226));
}

TEST_F(LogViewTest, SelectionIsWhiteOnNavyOnlyWithFocus) {
    model.append(u"alpha beta gamma");
    view.setFocus();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCentre(0, 7));
    ASSERT_EQ(view.state().selectedText(), QStringLiteral("beta"));
    const QPoint cell =
        cellCentre(0, 6) + QPoint(1 - view.metrics().cellWidth / 2, 1 - view.metrics().lineHeight / 2);
    QImage img = grab();
    EXPECT_EQ(at(img, cell.x() + 1, cell.y() + 1), qRgb(0, 0, 128));
    bool whiteInside = false;
    for (int dx = 0; dx < 4 * view.metrics().cellWidth; ++dx)
        for (int dy = 0; dy < view.metrics().lineHeight; ++dy)
            whiteInside |= at(img, cell.x() + 1 + dx, cell.y() + 1 + dy) == qRgb(255, 255, 255);
    EXPECT_TRUE(whiteInside);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(view.hasFocus());
    img = grab();
    EXPECT_EQ(at(img, cell.x() + 1, cell.y() + 1), qRgb(0, 0, 0));
}

TEST_F(LogViewTest, CaretIsTwoPixelsWideBelowTheTopOfItsLine) {
    model.append(u"abc");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      cellCentre(0, 1) - QPoint(view.metrics().cellWidth / 2, 0));
    ASSERT_EQ(view.state().caret(), (TextPos{0, 1}));
    const QImage img = grab();
    const int cw = view.metrics().cellWidth;
    const int lh = view.metrics().lineHeight;
    const int x = 48 + cw;  // view coordinates of column 1
    EXPECT_EQ(at(img, x, 1 + 1), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, x + 1, 1 + lh - 2), qRgb(255, 255, 255));
    EXPECT_NE(at(img, x, 1), qRgb(255, 255, 255));
    EXPECT_NE(at(img, x, 1 + lh - 1), qRgb(255, 255, 255));
}

TEST_F(LogViewTest, ControlCharactersTakeOneVisibleCell) {
    model.append(QStringView(u"a\0\x01\nb", 5));
    const QImage img = grab();
    const int cw = view.metrics().cellWidth;
    const int lh = view.metrics().lineHeight;
    for (int column = 1; column <= 3; ++column) {
        bool drawn = false;
        for (int dx = 0; dx < cw; ++dx)
            for (int dy = 0; dy < lh; ++dy) drawn |= !isDark(at(img, 48 + column * cw + dx, 1 + dy));
        EXPECT_TRUE(drawn) << "column " << column;
    }
    EXPECT_EQ(model.lineLength(0), 5);
}

TEST_F(LogViewTest, ScrollBarsShowOnlyWhileTheTextDoesNotFit) {
    model.append(u"short\r");
    settle();
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    appendLines(100);
    settle();
    EXPECT_TRUE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    model.append(QString(300, u'y'));
    settle();
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    view.clearLog();
    settle();
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
}

TEST_F(LogViewTest, FontIsFixedPitchThirteenPixels) {
    const QFontInfo info(view.font());
    EXPECT_TRUE(info.fixedPitch());
    EXPECT_EQ(info.pixelSize(), 13);
    EXPECT_EQ(view.metrics().lineHeight, QFontMetrics(view.font()).height() + 1);
}

TEST_F(LogViewTest, ScreenshotWithAFewHundredLines) {
    view.resize(900, 420);
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("7E8 03 41 0C %1 %2\tRPM frame").arg(i % 256, 2, 16, QLatin1Char('0')).arg(i) +
                u'\r';
    text += QStringLiteral("last line with a NUL ") + QChar(0) + QStringLiteral(" and a LF \n inside ");
    model.append(text);
    settle();
    view.verticalScrollBar()->setValue(90);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCentre(95, 1));
    const QImage img = grab();
    const QByteArray dir = qgetenv("TORVIK_SCREENSHOT_DIR");
    if (!dir.isEmpty()) img.save(QString::fromLocal8Bit(dir) + QStringLiteral("/logview.png"));
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("7E8"));
    EXPECT_EQ(view.state().firstLine(), 90);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.state().caret(), (TextPos{300, 40}));  // after "inside", before the blank
    if (!dir.isEmpty()) grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/logview_end.png"));
}

TEST_F(LogViewTest, LineNumbersStandAtTheirPlaceForOneToFiveDigits) {
    appendLines(12000);
    const int lh = view.metrics().lineHeight;
    const int ascent = view.metrics().ascent;
    // First row: the number's origin lies 24, 16, 8, 0, 0 px from the view's
    // left edge and its baseline one ascent below the row's top (1 px inside the frame).
    const std::pair<int, int> cases[] = {{0, 24}, {9, 16}, {99, 8}, {999, 0}, {9999, 0}};
    for (const auto& [first, left] : cases) {
        view.verticalScrollBar()->setValue(first);
        ASSERT_EQ(view.state().firstLine(), first);
        const QString number = QString::number(first + 1);
        const QRect expected = inkOffsetOf(number, view.font()).translated(left, 1 + ascent);
        const QRect drawn = inkBox(grab(), QRect(1, 1, 44, lh));
        EXPECT_EQ(drawn.right(), expected.right()) << number.toStdString();
        EXPECT_EQ(drawn.top(), expected.top()) << number.toStdString();
        EXPECT_EQ(drawn.bottom(), expected.bottom()) << number.toStdString();
        // Left of the gutter the number is cut off by the frame.
        EXPECT_EQ(drawn.left(), std::max(expected.left(), 1)) << number.toStdString();
    }
    // The second row holds the next number, one line height further down.
    view.verticalScrollBar()->setValue(0);
    const QRect second = inkBox(grab(), QRect(1, 1 + lh, 44, lh));
    EXPECT_EQ(second.translated(0, -lh), inkOffsetOf("2", view.font()).translated(24, 1 + ascent));
}

TEST_F(LogViewTest, GutterGradientRunsIn48BandsFromTheButtonFaceToWhite) {
    // A button face far from white makes every band stand apart.
    const QPalette saved = QApplication::palette();
    QPalette pal = saved;
    pal.setColor(QPalette::Button, QColor(0, 64, 128));
    QApplication::setPalette(pal);
    view.viewport()->update();
    const QImage img = grab();
    QApplication::setPalette(saved);

    const int y = 200;  // a row without a number
    const QColor from(0, 64, 128);
    for (int x = 0; x < 44; ++x) {  // viewport columns; the view's are one further right
        int band = 0;
        while ((band + 1) * 45 / 48 <= x) ++band;
        auto mix = [band](int a, int b) { return a + (b - a) * band / 47; };
        const QRgb expected = qRgb(mix(from.red(), 255), mix(from.green(), 255), mix(from.blue(), 255));
        EXPECT_EQ(QColor(at(img, x + 1, y)), QColor(expected))
            << "viewport column " << x << ", band " << band;
    }
    EXPECT_EQ(at(img, 45, y), qRgb(128, 128, 128));
}

TEST_F(LogViewTest, CaretIsDrawnOnlyWhileTheViewHasFocus) {
    model.append(u"abc   ");
    const int cw = view.metrics().cellWidth;
    const int lh = view.metrics().lineHeight;
    // White pixels of a caret standing in front of `column` (view coordinates).
    auto caretPixels = [&](const QImage& img, int column) {
        int white = 0;
        for (int dx = 0; dx < 2; ++dx)
            for (int y = 2; y <= lh - 1; ++y)
                white += at(img, 48 + column * cw + dx, y) == qRgb(255, 255, 255);
        return white;
    };
    ASSERT_TRUE(view.hasFocus());
    EXPECT_EQ(caretPixels(grab(), 6), 2 * (lh - 2));
    view.clearFocus();
    ASSERT_FALSE(view.hasFocus());
    EXPECT_EQ(caretPixels(grab(), 6), 0);
    model.append(u" ");  // an append restarts the caret's blink, focus or not
    EXPECT_EQ(caretPixels(grab(), 7), 0);
    view.setFocus();
    EXPECT_EQ(caretPixels(grab(), 7), 2 * (lh - 2));
}

TEST_F(LogViewTest, TextIsWhiteInTheTextFontOneCharacterPerCell) {
    const QString lines[] = {QStringLiteral("7E8 03 41 0C 1A F8"), QStringLiteral("Hello, |||| llll _W_")};
    model.append(lines[0] + u'\r' + lines[1]);
    view.clearFocus();  // no caret in the picture
    const QImage img = grab();
    const auto& m = view.metrics();
    for (int row = 0; row < 2; ++row) {
        // Each character drawn white on black at its cell, on the row's baseline.
        const QRect cells(48, 1 + row * m.lineHeight, 30 * m.cellWidth, m.lineHeight);
        QPixmap reference(cells.size());
        reference.fill(Qt::black);
        QPainter p(&reference);
        p.setFont(logview::textFont());
        p.setPen(QColor(255, 255, 255));
        for (int i = 0; i < lines[row].size(); ++i)
            p.drawText(i * m.cellWidth, m.ascent, lines[row].mid(i, 1));
        p.end();
        EXPECT_EQ(img.copy(cells), reference.toImage().convertToFormat(QImage::Format_RGB32))
            << "row " << row;
    }
}
