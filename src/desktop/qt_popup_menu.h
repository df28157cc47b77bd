#pragma once
// `PopupMenu1`, the tray icon's command menu: its items in order with caption,
// tag, image and handler, "Open" as the default item in bold.

#include <QIcon>
#include <QMenu>
#include <QString>

#include <functional>
#include <span>

enum class MenuHandler { None, ShowMainForm, SetProtocol, ProgramClose };

struct MenuItemEntry {
    const char* name;  // the item's object name, e.g. "ISO914121"; "N1".."N4" for separators
    const char* caption;
    int tag;
    int image;  // index in the menu images, -1 for none
    MenuHandler handler;
    bool separator = false;
};

// The items top to bottom.
std::span<const MenuItemEntry> popupMenuItems();

class QtPopupMenu : public QMenu {
    Q_OBJECT
public:
    using ImageSource = std::function<QIcon(int index)>;

    explicit QtPopupMenu(ImageSource images, QWidget* parent = nullptr);

    QAction* item(const QString& name) const;
    int itemTag(const QAction* item) const;
    int itemImage(const QAction* item) const;
    void setItemImage(const QString& name, int image);

signals:
    void showMainFormChosen();
    void setProtocolChosen(int tag);
    void programCloseChosen();

private:
    void chosen(QAction* item, MenuHandler handler);

    ImageSource images_;
};
