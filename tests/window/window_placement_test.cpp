#include "window/window_placement.h"

#include <gtest/gtest.h>

namespace {

using placement::centredClientPosition;

// A frame of 1 px at the sides, a 20 px title bar and a 5 px bottom edge.
const QMargins kFrame(1, 20, 1, 5);

TEST(WindowPlacement, CentresTheFrameNotTheClientArea) {
    // 505 x 578 with the frame in 1280 x 800: the frame at (387, 111).
    EXPECT_EQ(centredClientPosition({0, 0, 1280, 800}, {0, 0, 1280, 800}, {0, 0}, {503, 553}, kFrame),
              QPoint(388, 131));
    // Without a frame the client area is the frame.
    EXPECT_EQ(centredClientPosition({0, 0, 1280, 800}, {0, 0, 1280, 800}, {0, 0}, {503, 553}, {}),
              QPoint(388, 123));
}

TEST(WindowPlacement, CountsFromTheScreensCornerWithTheWorkAreasSize) {
    // A panel of 40 px at the bottom shrinks the work area, not the origin.
    EXPECT_EQ(centredClientPosition({0, 0, 1920, 1080}, {0, 0, 1920, 1040}, {0, 0}, {503, 553}, kFrame),
              QPoint(707 + 1, 231 + 20));
    // A primary screen right of another one keeps its own origin.
    EXPECT_EQ(centredClientPosition({1280, 0, 1024, 768}, {1280, 0, 1024, 768}, {0, 0}, {503, 553}, kFrame),
              QPoint(1280 + 259 + 1, 95 + 20));
}

TEST(WindowPlacement, NeverPutsTheFrameLeftOfOrAboveTheDesktop) {
    // The frame starts at the desktop's corner; the client area sits inside it.
    EXPECT_EQ(centredClientPosition({0, 0, 400, 300}, {0, 0, 400, 300}, {0, 0}, {503, 553}, kFrame),
              QPoint(1, 20));
    // Left of the corner where the desktop reaches further left, but never above it.
    EXPECT_EQ(centredClientPosition({0, 0, 400, 300}, {0, 0, 400, 300}, {-1280, -100}, {503, 553}, kFrame),
              QPoint(-52 + 1, -100 + 20));
}

}  // namespace
