#include "logview/find/find_bar.h"
#include "logview/log_view.h"
#include "window/main_window_status_bar.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>

namespace {

// Ctrl+F puts the find bar between the log and the button panel; Escape takes
// it away and the window is laid out as before, with the focus in the log.
TEST_F(WindowTest, FindBarOpensBetweenLogAndButtonsAndLeavesNothingBehind) {
    showWindow();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    window().memo().setFocus();
    const int children = QAccessible::queryAccessibleInterface(&window())->childCount();
    QTest::keyClick(&window().memo(), Qt::Key_F, Qt::ControlModifier);
    QApplication::processEvents();
    auto* bar = window().findChild<FindBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), &bar->field());
    EXPECT_EQ(bar->geometry().top(), window().panel2().geometry().bottom() + 1);
    EXPECT_EQ(bar->geometry().bottom() + 1, window().panel3().geometry().top());
    EXPECT_EQ(window().panel3().geometry(), QRect(0, 499, 503, 35));

    QTest::keyClick(&bar->field(), Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_EQ(window().findChild<FindBar*>(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), &window().memo());
    EXPECT_EQ(window().panel2().geometry(), QRect(0, 0, 503, 499));
    EXPECT_EQ(window().memo().geometry(), QRect(4, 4, 495, 491));
    EXPECT_EQ(window().panel3().geometry(), QRect(0, 499, 503, 35));
    EXPECT_EQ(window().statusBar().geometry(), QRect(0, 534, 503, 19));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&window())->childCount(), children);
}

}  // namespace
