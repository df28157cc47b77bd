#include "logview/log_view.h"
#include "window/main_window_status_bar.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

namespace {

TEST_F(WindowTest, DesignSizeLayout) {
    showWindow();
    EXPECT_EQ(window().windowTitle(), "Torvik Master v1.1");
    EXPECT_EQ(window().size(), QSize(503, 553));
    EXPECT_EQ(window().font().pixelSize(), 11);

    EXPECT_EQ(window().panel2().geometry(), QRect(0, 0, 503, 499));
    EXPECT_EQ(window().memo().geometry(), QRect(4, 4, 495, 491));
    EXPECT_EQ(window().panel3().geometry(), QRect(0, 499, 503, 35));
    EXPECT_EQ(window().clearButton().geometry(), QRect(4, 4, 81, 25));
    EXPECT_EQ(window().saveButton().geometry(), QRect(91, 4, 81, 25));
    EXPECT_EQ(window().clearButton().text(), "Clear");
    EXPECT_EQ(window().saveButton().text(), "Save");
    EXPECT_EQ(window().clearButton().parentWidget(), &window().panel3());

    const MainStatusBar& bar = window().statusBar();
    EXPECT_EQ(bar.geometry(), QRect(0, 534, 503, 19));
    EXPECT_EQ(bar.panel(0)->geometry(), QRect(0, 0, 70, 19));
    EXPECT_EQ(bar.panel(1)->geometry(), QRect(70, 0, 130, 19));
    EXPECT_EQ(bar.panel(2)->geometry(), QRect(200, 0, 303, 19));
    EXPECT_EQ(bar.panel(0)->alignment(), Qt::AlignCenter);
    EXPECT_TRUE(bar.panel(1)->alignment() & Qt::AlignLeft);
    EXPECT_EQ(bar.panel(2)->alignment(), Qt::AlignCenter);
}

TEST_F(WindowTest, ResizingGivesEveryChangeToTheLog) {
    showWindow();
    window().resize(760, 400);
    QApplication::processEvents();
    EXPECT_EQ(window().panel2().geometry(), QRect(0, 0, 760, 346));
    EXPECT_EQ(window().memo().geometry(), QRect(4, 4, 752, 338));
    EXPECT_EQ(window().panel3().geometry(), QRect(0, 346, 760, 35));
    EXPECT_EQ(window().clearButton().geometry(), QRect(4, 4, 81, 25));
    EXPECT_EQ(window().saveButton().geometry(), QRect(91, 4, 81, 25));
    EXPECT_EQ(window().statusBar().geometry(), QRect(0, 381, 760, 19));
    // The third panel reaches the right edge whatever the width.
    EXPECT_EQ(window().statusBar().panel(2)->geometry(), QRect(200, 0, 560, 19));

    window().resize(320, 300);
    QApplication::processEvents();
    EXPECT_EQ(window().statusBar().panel(2)->geometry().right(), window().width() - 1);
    EXPECT_EQ(window().statusBar().height(), 19);
    EXPECT_EQ(window().panel3().height(), 35);
}

TEST_F(WindowTest, StatusPanelsStartWithOnlyTheNotice) {
    const MainStatusBar& bar = window().statusBar();
    EXPECT_EQ(bar.panelText(0), "");
    EXPECT_EQ(bar.panelText(1), "");
    EXPECT_TRUE(bar.panelText(2).contains("©"));
}

// A screen reader hears a frame named by the title, and controls that say what they are for.
TEST_F(WindowTest, AssistiveTechnologyHearsANamedFrameAndNamedControls) {
    auto name = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&window());
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_EQ(frame->text(QAccessible::Name), "Torvik Master v1.1");
    EXPECT_EQ(name(&window().memo()), "Simulator log");
    EXPECT_NE(QAccessible::queryAccessibleInterface(&window().memo())->textInterface(), nullptr);
    EXPECT_EQ(name(&window().clearButton()), "Clear log");
    EXPECT_EQ(name(&window().saveButton()), "Save log");
    MainStatusBar& bar = window().statusBar();
    auto* linkPanel = const_cast<QLabel*>(bar.panel(0));
    EXPECT_EQ(name(linkPanel), "Link state");
    bar.setPanelText(0, "Opened");
    EXPECT_EQ(name(linkPanel), "Link state: Opened");
    EXPECT_EQ(bar.panelText(0), "Opened");  // what the eye reads stays as it was
}

// Tab moves from the log to "Clear", then to "Save".
TEST_F(WindowTest, FocusOrderIsLogClearSave) {
    QList<QWidget*> order;
    QWidget* widget = &window().memo();
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && order.size() < 3)
            order.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget != &window().memo());
    ASSERT_EQ(order.size(), 3);
    EXPECT_EQ(order[0], &window().memo());
    EXPECT_EQ(order[1], &window().clearButton());
    EXPECT_EQ(order[2], &window().saveButton());
}

}  // namespace
