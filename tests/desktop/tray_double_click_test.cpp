#include "desktop/tray_double_click.h"

#include <gtest/gtest.h>

namespace {

constexpr int kInterval = 400;
constexpr int kDistance = 5;

TEST(TrayDoubleClick, SecondPressOfTheSameButtonWithinIntervalAndDistance) {
    TrayDoubleClick clicks(kInterval, kDistance);
    EXPECT_FALSE(clicks.press(Qt::MiddleButton, 1000, {10, 10}));
    EXPECT_TRUE(clicks.press(Qt::MiddleButton, 1000 + kInterval, {10 + kDistance, 10 - kDistance}));
    // The press that completed it starts nothing: a third is a first again.
    EXPECT_FALSE(clicks.press(Qt::MiddleButton, 1500, {10, 10}));
    EXPECT_TRUE(clicks.press(Qt::MiddleButton, 1550, {10, 10}));
}

TEST(TrayDoubleClick, TooLateTooFarOrAnotherButtonStartsAfresh) {
    TrayDoubleClick clicks(kInterval, kDistance);
    EXPECT_FALSE(clicks.press(Qt::RightButton, 1000, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::RightButton, 1000 + kInterval + 1, {10, 10}));  // too late, but a new first
    EXPECT_TRUE(clicks.press(Qt::RightButton, 1500, {10, 10}));

    EXPECT_FALSE(clicks.press(Qt::RightButton, 2000, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::RightButton, 2050, {10, 10 + kDistance + 1}));  // too far
    EXPECT_TRUE(clicks.press(Qt::RightButton, 2100, {10, 10 + kDistance + 1}));

    EXPECT_FALSE(clicks.press(Qt::RightButton, 3000, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::MiddleButton, 3050, {10, 10}));  // another button
    EXPECT_TRUE(clicks.press(Qt::MiddleButton, 3100, {10, 10}));
}

// The same press may reach the program twice (once for the icon, once for an
// open menu); it counts once, and a clock that goes back is no double-click.
TEST(TrayDoubleClick, ThePressReportedTwiceCountsOnce) {
    TrayDoubleClick clicks(kInterval, kDistance);
    EXPECT_FALSE(clicks.press(Qt::RightButton, 1000, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::RightButton, 1000, {10, 10}));
    EXPECT_TRUE(clicks.press(Qt::RightButton, 1100, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::RightButton, 1100, {10, 10}));

    EXPECT_FALSE(clicks.press(Qt::MiddleButton, 5000, {10, 10}));
    EXPECT_FALSE(clicks.press(Qt::MiddleButton, 4990, {10, 10}));
}

}  // namespace
