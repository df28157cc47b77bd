// The pictures are checked by what a person would see: their size, a clear
// ground, and the colours that carry their meaning in the right places.

#include "desktop/tray_images.h"

#include <gtest/gtest.h>

#include <QPixmap>

namespace {

using trayimages::renderMenuImage;
using trayimages::renderStateImage;

enum class Tone { Red, Green, Blue, White, Black, Other };

Tone toneOf(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (qAlpha(pixel) < 200) return Tone::Other;
    if (r > 150 && g < 110 && b < 110) return Tone::Red;
    if (g > 80 && g > r + 40 && g > b + 40) return Tone::Green;
    if (b > 150 && r < 100) return Tone::Blue;
    if (r > 230 && g > 230 && b > 230) return Tone::White;
    if (r < 40 && g < 40 && b < 40) return Tone::Black;
    return Tone::Other;
}

// Pixels of `tone` inside `area` of a 1x render.
int count(const QImage& image, Tone tone, QRect area = QRect(0, 0, 16, 16)) {
    const QImage plain = image.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) n += toneOf(plain.pixel(x, y)) == tone;
    }
    return n;
}

const QRect kUpperLeft(0, 0, 8, 8);
const QRect kLowerRight(8, 8, 8, 8);

void expectIconSizes(const QIcon& icon, int logical) {
    ASSERT_FALSE(icon.isNull());
    const QPixmap one = icon.pixmap(QSize(logical, logical), 1.0);
    EXPECT_EQ(one.size(), QSize(logical, logical));
    const QPixmap two = icon.pixmap(QSize(logical, logical), 2.0);
    EXPECT_EQ(two.size(), QSize(2 * logical, 2 * logical));
    EXPECT_DOUBLE_EQ(two.devicePixelRatio(), 2.0);
}

TEST(TrayImages, EveryImageComesAt1xAnd2xAndOutsideIndexesGiveNothing) {
    ASSERT_EQ(trayimages::stateImageList().size(), trayimages::kStateImageCount);
    ASSERT_EQ(trayimages::menuImageList().size(), trayimages::kMenuImageCount);
    for (const QIcon& icon : trayimages::stateImageList()) expectIconSizes(icon, 16);
    for (const QIcon& icon : trayimages::menuImageList()) expectIconSizes(icon, 16);
    expectIconSizes(trayimages::applicationIcon(), 16);
    expectIconSizes(trayimages::applicationIcon(), 32);
    EXPECT_TRUE(trayimages::trayStateIcon(-1).isNull());
    EXPECT_TRUE(trayimages::trayStateIcon(trayimages::kStateImageCount).isNull());
    EXPECT_TRUE(trayimages::menuImage(trayimages::kMenuImageCount).isNull());
    EXPECT_TRUE(renderStateImage(4, 16, 1).isNull());
}

TEST(TrayImages, PicturesStandOnATransparentGround) {
    QList<QImage> images;
    for (int i = 0; i < trayimages::kStateImageCount; ++i) images << renderStateImage(i, 16, 1);
    for (int i = 0; i < trayimages::kMenuImageCount; ++i) images << renderMenuImage(i, 16, 1);
    images << trayimages::renderApplicationIcon(16, 1);
    for (const QImage& image : images) {
        for (QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)}) {
            EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << "corner " << corner.x() << "," << corner.y();
        }
    }
}

TEST(TrayImages, RendersAt2xAreDrawnNotMagnified) {
    // A magnified 1x render has only 2 x 2 blocks of one colour; a drawn one does not.
    const QImage two = renderStateImage(0, 16, 2).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(two.size(), QSize(32, 32));
    bool finerThanBlocks = false;
    for (int y = 0; y < 32 && !finerThanBlocks; y += 2) {
        for (int x = 0; x < 32 && !finerThanBlocks; x += 2) {
            const QRgb p = two.pixel(x, y);
            finerThanBlocks =
                two.pixel(x + 1, y) != p || two.pixel(x, y + 1) != p || two.pixel(x + 1, y + 1) != p;
        }
    }
    EXPECT_TRUE(finerThanBlocks);
}

TEST(TrayImages, StateImagesShowTheLinkByColour) {
    const QImage closed = renderStateImage(trayimages::LinkClosed, 16, 1);
    EXPECT_GT(count(closed, Tone::Red), 30);
    EXPECT_EQ(count(closed, Tone::Green), 0);

    const QImage open = renderStateImage(trayimages::LinkOpenMonitorOn, 16, 1);
    EXPECT_GT(count(open, Tone::Green), 30);
    EXPECT_EQ(count(open, Tone::Red), 0);

    // The red disc with its white cross sits at the lower right, and only there.
    const QImage fault = renderStateImage(trayimages::LinkOpenFault, 16, 1);
    EXPECT_GT(count(fault, Tone::Green), 20);
    EXPECT_GT(count(fault, Tone::Red, kLowerRight), 8);
    EXPECT_GT(count(fault, Tone::White, kLowerRight), 3);
    EXPECT_EQ(count(fault, Tone::Red), count(fault, Tone::Red, kLowerRight));

    // The small red dot sits at the upper left, and only there.
    const QImage monitorOff = renderStateImage(trayimages::LinkOpenMonitorOff, 16, 1);
    EXPECT_GT(count(monitorOff, Tone::Green), 20);
    EXPECT_GT(count(monitorOff, Tone::Red, kUpperLeft), 6);
    EXPECT_EQ(count(monitorOff, Tone::Red), count(monitorOff, Tone::Red, kUpperLeft));
    EXPECT_LT(count(monitorOff, Tone::Red), count(fault, Tone::Red));
}

TEST(TrayImages, MenuImagesCarryTheirColours) {
    using namespace trayimages;
    const QImage exit = renderMenuImage(ExitImage, 16, 1);
    EXPECT_GT(count(exit, Tone::Red), 20);
    EXPECT_EQ(count(exit, Tone::Green), 0);

    const QImage open = renderMenuImage(OpenImage, 16, 1);
    EXPECT_GT(count(open, Tone::Blue), 10);
    EXPECT_GT(count(open, Tone::Black), 40);
    EXPECT_GT(count(open, Tone::White), 2);  // the prompt

    const QImage window = renderMenuImage(ApplicationWindowImage, 16, 1);
    EXPECT_GT(count(window, Tone::Green), 20);
    EXPECT_EQ(count(window, Tone::Red), 0);

    const QImage arrow = renderMenuImage(ProtocolImage, 16, 1);
    EXPECT_GT(count(arrow, Tone::Green), 30);
    // It points right: the head, right of the middle, stands taller than the shaft.
    EXPECT_GT(count(arrow, Tone::Green, QRect(9, 0, 1, 16)),
              count(arrow, Tone::Green, QRect(4, 0, 1, 16)) + 3);
    EXPECT_GT(count(arrow, Tone::Green, QRect(13, 7, 2, 2)), 0);

    const QImage stop = renderMenuImage(ResetImage, 16, 1);
    EXPECT_GT(count(stop, Tone::Red), 60);
    EXPECT_GT(count(stop, Tone::White), 8);

    const QImage monitorOff = renderMenuImage(MonitorOffImage, 16, 1);
    EXPECT_GT(count(monitorOff, Tone::Red), 50);
    EXPECT_EQ(toneOf(monitorOff.convertToFormat(QImage::Format_ARGB32).pixel(8, 8)), Tone::White);

    const QImage monitorOn = renderMenuImage(MonitorOnImage, 16, 1);
    EXPECT_GT(count(monitorOn, Tone::Green), 20);
    EXPECT_EQ(count(monitorOn, Tone::Red), 0);
}

TEST(TrayImages, ApplicationIconIsABlackTerminalWithAPrompt) {
    for (int size : {16, 32}) {
        const QImage icon = trayimages::renderApplicationIcon(size, 1).scaled(16, 16);
        EXPECT_GT(count(icon, Tone::Black), 50) << size;
        EXPECT_GT(count(icon, Tone::White), 2) << size;
        EXPECT_EQ(count(icon, Tone::Blue), 0) << size;
    }
}

}  // namespace
