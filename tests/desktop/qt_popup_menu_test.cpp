#include "desktop/qt_popup_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPixmap>
#include <QSignalSpy>

namespace {

QIcon imageFor(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor::fromHsv(index * 40, 255, 255));
    return QIcon(pixmap);
}

TEST(PopupMenu, ItemsStandInOrderWithTheirCaptionsTagsAndImages) {
    QtPopupMenu menu(imageFor);
    struct Expected {
        QString name;
        QString caption;
        int tag;
        int image;
    };
    const QList<Expected> expected{
        {"Open1", "Open", 0, 1},
        {"N1", "", 0, -1},
        {"none1", "none", 0, 3},
        {"J1850PWM1", "J1850 PWM", 1, 3},
        {"J1850VPW1", "J1850 VPW", 2, 3},
        {"ISO914121", "ISO 9141-2", 3, 3},
        {"ISO1423041", "ISO 14230-4", 4, 3},
        {"ISO1576541", "ISO 15765-4", 5, 3},
        {"N4", "", 0, -1},
        {"Monitoronoff1", "Monitor on/off", 11, 6},
        {"Reset1", "Reset", 10, 4},
        {"N2", "", 0, -1},
        {"N3", "Exit", 0, 0},
    };
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), expected.size());
    for (int i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        const QAction* action = actions[i];
        EXPECT_EQ(action->objectName(), expected[i].name);
        EXPECT_EQ(action->isSeparator(), expected[i].name.startsWith('N') && expected[i].caption.isEmpty());
        EXPECT_EQ(action->text(), expected[i].caption);
        EXPECT_FALSE(action->isCheckable());
        if (action->isSeparator()) continue;
        EXPECT_EQ(menu.itemTag(action), expected[i].tag);
        EXPECT_EQ(menu.itemImage(action), expected[i].image);
        EXPECT_FALSE(action->icon().isNull());
    }
}

TEST(PopupMenu, OpenIsTheBoldDefaultItem) {
    QtPopupMenu menu(imageFor);
    QAction* open = menu.item("Open1");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(menu.defaultAction(), open);
    EXPECT_TRUE(open->font().bold());
    EXPECT_FALSE(menu.item("Reset1")->font().bold());
}

TEST(PopupMenu, ItemsCallTheirHandlers) {
    QtPopupMenu menu(imageFor);
    QSignalSpy shows(&menu, &QtPopupMenu::showMainFormChosen);
    QSignalSpy protocols(&menu, &QtPopupMenu::setProtocolChosen);
    QSignalSpy closes(&menu, &QtPopupMenu::programCloseChosen);

    menu.item("ISO914121")->trigger();
    menu.item("Reset1")->trigger();
    menu.item("Monitoronoff1")->trigger();
    menu.item("none1")->trigger();
    ASSERT_EQ(protocols.count(), 4);
    EXPECT_EQ(protocols.at(0).at(0).toInt(), 3);
    EXPECT_EQ(protocols.at(1).at(0).toInt(), 10);
    EXPECT_EQ(protocols.at(2).at(0).toInt(), 11);
    EXPECT_EQ(protocols.at(3).at(0).toInt(), 0);
    EXPECT_EQ(shows.count(), 0);
    EXPECT_EQ(closes.count(), 0);

    menu.item("Open1")->trigger();
    menu.item("N3")->trigger();
    EXPECT_EQ(shows.count(), 1);
    EXPECT_EQ(closes.count(), 1);
    EXPECT_EQ(protocols.count(), 4);
}

TEST(PopupMenu, MonitorImageFollowsTheSwitch) {
    QtPopupMenu menu(imageFor);
    QAction* monitor = menu.item("Monitoronoff1");
    menu.setItemImage("Monitoronoff1", 5);
    EXPECT_EQ(menu.itemImage(monitor), 5);
    EXPECT_EQ(monitor->icon().pixmap(16, 16).toImage().pixelColor(8, 8),
              imageFor(5).pixmap(16, 16).toImage().pixelColor(8, 8));
    menu.setItemImage("Monitoronoff1", 6);
    EXPECT_EQ(menu.itemImage(monitor), 6);
}

}  // namespace
