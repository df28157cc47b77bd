#include "app/check_previous_window.h"

#include <gtest/gtest.h>

#include <QWindow>

namespace {

CheckPrevious::WindowHandle handleOf(QWindow& window) {
    return static_cast<CheckPrevious::WindowHandle>(window.winId());
}

TEST(GuardWindow, FindsOnlyThisProcessesWindowsByHandle) {
    QWindow owner;
    owner.create();
    EXPECT_EQ(CheckPrevious::FindWindow(handleOf(owner)), &owner);
    EXPECT_EQ(CheckPrevious::FindWindow(0), nullptr);
    EXPECT_EQ(CheckPrevious::FindWindow(handleOf(owner) + 1000), nullptr);
}

TEST(GuardWindow, HiddenOwnerStaysHidden) {
    QWindow owner;
    owner.create();
    CheckPrevious::BringWindowForward(handleOf(owner));
    EXPECT_FALSE(owner.isVisible());
}

TEST(GuardWindow, MinimisedWindowIsRestored) {
    QWindow window;
    window.showMinimized();
    ASSERT_TRUE(window.windowStates() & Qt::WindowMinimized);
    CheckPrevious::BringWindowForward(handleOf(window));
    EXPECT_FALSE(window.windowStates() & Qt::WindowMinimized);
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
