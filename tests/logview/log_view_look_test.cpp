#include "view_test_support.h"

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
