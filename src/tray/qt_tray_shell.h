#pragma once
// The production tray shell: the notification record shown through Qt's
// QSystemTrayIcon. Balloons become the tray's messages with the kind's icon;
// since Qt does not say when a message is gone, a timer of the requested
// display time reports the balloon as timed out.
//
// Reports to the icon arrive as signals; connectTrayShell() wires them to a
// TrayIcon's report functions. When the tray host restarts, Qt docks the icon
// again by itself with its current image and tooltip, so no report is needed.

#include "tray/tray_double_click.h"
#include "tray/tray_shell.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

class TrayIcon;

class QtTrayShell : public QObject, public TrayShell {
    Q_OBJECT
public:
    using ImageSource = std::function<QIcon(int index)>;
    using Availability = std::function<bool()>;

    // `images` gives the state image for a record's icon index. `waitForTrayMs`
    // is how long add() waits for a notification area that is not there yet
    // (desktops often start their panel after autostart programs).
    QtTrayShell(ImageSource images, int waitForTrayMs, QObject* parent = nullptr);
    ~QtTrayShell() override;

    bool add(const NotifyRecord& record) override;
    void modify(const NotifyRecord& record) override;
    void remove(const NotifyRecord& record) override;

    // Replaces the check for a notification area (tests).
    void setAvailability(Availability available) { available_ = std::move(available); }

    const QSystemTrayIcon& trayIcon() const { return tray_; }
    bool balloonPending() const { return balloonTimer_.isActive(); }

    static QSystemTrayIcon::MessageIcon messageIcon(TBalloonFlags kind);

protected:
    // Presses on the icon, for the double-clicks that Qt does not report.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void doubleClicked();
    void rightButtonUp(QPoint screenPos);
    void balloonTimedOut();
    void balloonClicked();

private:
    bool waitForTray();
    void apply(const NotifyRecord& record);
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon tray_;
    QTimer balloonTimer_;
    ImageSource images_;
    Availability available_;
    int waitForTrayMs_;
    TrayDoubleClick otherButtons_;
};

// Routes the shell's reports to `icon` (both must outlive the connection's use).
void connectTrayShell(QtTrayShell& shell, TrayIcon& icon);
