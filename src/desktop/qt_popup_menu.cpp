#include "desktop/qt_popup_menu.h"

#include <QAction>
#include <QFont>

#include <array>

namespace {

constexpr const char* kTagProperty = "Tag";
constexpr const char* kImageProperty = "ImageIndex";

constexpr int kImageExit = 0;
constexpr int kImageOpen = 1;
constexpr int kImageProtocol = 3;
constexpr int kImageReset = 4;
constexpr int kImageMonitorOn = 6;

// "Monitor on/off" stands above "Reset"; both go through SetProtocol by tag.
constexpr std::array<MenuItemEntry, 13> kItems{{
    {"Open1", "Open", 0, kImageOpen, MenuHandler::ShowMainForm},
    {"N1", "", 0, -1, MenuHandler::None, true},
    {"none1", "none", 0, kImageProtocol, MenuHandler::SetProtocol},
    {"J1850PWM1", "J1850 PWM", 1, kImageProtocol, MenuHandler::SetProtocol},
    {"J1850VPW1", "J1850 VPW", 2, kImageProtocol, MenuHandler::SetProtocol},
    {"ISO914121", "ISO 9141-2", 3, kImageProtocol, MenuHandler::SetProtocol},
    {"ISO1423041", "ISO 14230-4", 4, kImageProtocol, MenuHandler::SetProtocol},
    {"ISO1576541", "ISO 15765-4", 5, kImageProtocol, MenuHandler::SetProtocol},
    {"N4", "", 0, -1, MenuHandler::None, true},
    {"Monitoronoff1", "Monitor on/off", 11, kImageMonitorOn, MenuHandler::SetProtocol},
    {"Reset1", "Reset", 10, kImageReset, MenuHandler::SetProtocol},
    {"N2", "", 0, -1, MenuHandler::None, true},
    {"N3", "Exit", 0, kImageExit, MenuHandler::ProgramClose},
}};

}  // namespace

std::span<const MenuItemEntry> popupMenuItems() {
    return kItems;
}

QtPopupMenu::QtPopupMenu(ImageSource images, QWidget* parent) : QMenu(parent), images_(std::move(images)) {
    setObjectName(QStringLiteral("PopupMenu1"));
    for (const MenuItemEntry& entry : kItems) {
        QAction* action = entry.separator ? addSeparator() : addAction(QString::fromLatin1(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.name));
        if (entry.separator) continue;
        action->setProperty(kTagProperty, entry.tag);
        setItemImage(action->objectName(), entry.image);
        const MenuHandler handler = entry.handler;
        connect(action, &QAction::triggered, this, [this, action, handler] { chosen(action, handler); });
    }
    // The default item is drawn in bold, like a shell menu's default command.
    QAction* open = item(QStringLiteral("Open1"));
    QFont bold = open->font();
    bold.setBold(true);
    open->setFont(bold);
    setDefaultAction(open);
}

QAction* QtPopupMenu::item(const QString& name) const {
    for (QAction* action : actions())
        if (action->objectName() == name) return action;
    return nullptr;
}

int QtPopupMenu::itemTag(const QAction* item) const {
    return item->property(kTagProperty).toInt();
}

int QtPopupMenu::itemImage(const QAction* item) const {
    const QVariant image = item->property(kImageProperty);
    return image.isValid() ? image.toInt() : -1;
}

void QtPopupMenu::setItemImage(const QString& name, int image) {
    QAction* action = item(name);
    if (!action) return;
    action->setProperty(kImageProperty, image);
    action->setIcon(image >= 0 ? images_(image) : QIcon());
}

void QtPopupMenu::chosen(QAction* item, MenuHandler handler) {
    switch (handler) {
        case MenuHandler::ShowMainForm:
            emit showMainFormChosen();
            break;
        case MenuHandler::SetProtocol:
            emit setProtocolChosen(itemTag(item));
            break;
        case MenuHandler::ProgramClose:
            emit programCloseChosen();
            break;
        case MenuHandler::None:
            break;
    }
}
