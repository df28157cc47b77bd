#include "window/window_visibility.h"

#include <gtest/gtest.h>

namespace {

using Phase = WindowVisibility::Phase;

TEST(WindowVisibility, MinimiseHidesOnceAndRestoreClearsTheFlagOnce) {
    WindowVisibility v;
    EXPECT_FALSE(v.restore());  // nothing to restore at start
    v.beginShowing();
    v.exposed();
    ASSERT_EQ(v.phase(), Phase::Shown);
    EXPECT_TRUE(v.minimize());
    EXPECT_EQ(v.phase(), Phase::Hidden);
    EXPECT_TRUE(v.applicationMinimized());
    EXPECT_FALSE(v.minimize());  // no second notification
    EXPECT_TRUE(v.restore());
    EXPECT_FALSE(v.applicationMinimized());
    EXPECT_FALSE(v.restore());
}

// A minimised state reported before the window is back on the screen is the
// window system's leftover, not the user's minimise.
TEST(WindowVisibility, OnlyAMinimiseReportedWhileShownIsTheUsers) {
    WindowVisibility v;
    EXPECT_FALSE(v.minimizedReported());  // hidden at start
    v.beginShowing();
    v.restore();
    EXPECT_EQ(v.phase(), Phase::Showing);
    EXPECT_FALSE(v.minimizedReported());
    v.exposed();
    EXPECT_TRUE(v.minimizedReported());
    ASSERT_TRUE(v.minimize());
    EXPECT_FALSE(v.minimizedReported());  // hidden again
    v.exposed();                          // a late exposure does not count as shown
    EXPECT_EQ(v.phase(), Phase::Hidden);
    EXPECT_FALSE(v.minimizedReported());
}

TEST(WindowVisibility, ShowingAShownWindowKeepsItShown) {
    WindowVisibility v;
    v.beginShowing();
    v.exposed();
    v.beginShowing();
    EXPECT_EQ(v.phase(), Phase::Shown);
    EXPECT_TRUE(v.minimizedReported());
}

}  // namespace
