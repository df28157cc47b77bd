#pragma once
// The production tray shell: the notification record shown through Qt's
// QSystemTrayIcon, on either kind of notification area (tray_host.h).
//
// add() waits for a tray host - a StatusNotifierItem host on the session bus or
// the XEmbed tray selection - and only then creates the QSystemTrayIcon: Qt
// decides once per process which kind it speaks, at the first tray icon.
//
// Balloons become desktop notifications (desktop_notices.h); when none can be
// delivered, Qt's own balloon shows at an XEmbed icon, and a balloon of ours
// (balloon_window.h) for a StatusNotifierItem. On Windows, which has no such
// channel, every notice is the shell's balloon at the icon. Since neither says when it is
// gone, a timer of the requested display time reports the balloon timed out.
//
// Reports to the icon arrive as signals; connectTrayShell() wires them to a
// TrayIcon's report functions. When the tray host restarts, Qt docks the icon
// again by itself with its current image and tooltip, so no report is needed.

#include "desktop/notice_channel.h"
#include "desktop/tray_double_click.h"
#include "desktop/tray_native_clicks.h"
#include "tray/tray_host.h"
#include "tray/tray_shell.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <memory>

class BalloonWindow;
class QMenu;
class TrayIcon;

class QtTrayShell : public QObject, public TrayShell {
    Q_OBJECT
public:
    using ImageSource = std::function<QIcon(int index)>;

    // `images` gives the state image for a record's icon index. `waitForTrayMs`
    // is how long add() waits for a notification area that is not there yet
    // (desktops often start their panel after autostart programs).
    QtTrayShell(ImageSource images, int waitForTrayMs, QObject* parent = nullptr);
    ~QtTrayShell() override;

    bool add(const NotifyRecord& record) override;
    void modify(const NotifyRecord& record) override;
    void remove(const NotifyRecord& record) override;

    // Replaces the probes for a tray host (tests).
    void setProbes(TrayHostProbes probes) { probes_ = std::move(probes); }
    // Asked while add() waits for a tray host: true ends the wait at once
    // without one (the session is ending).
    void setWaitAbandoned(std::function<bool()> abandoned) { waitAbandoned_ = std::move(abandoned); }
    // Replaces the desktop notifications sender (tests); without one every
    // notice is the icon's own balloon.
    void setNotices(std::unique_ptr<NoticeChannel> notices);
    // The menu a StatusNotifierItem host shows as the item's own; an XEmbed
    // icon keeps its popup at the pointer instead (the rightButtonUp report).
    void setContextMenu(QMenu* menu);

    TrayHostKind hostKind() const { return kind_; }
    // The Qt tray icon, once add() or modify() has created it.
    const QSystemTrayIcon* trayIcon() const { return tray_.get(); }
    bool balloonPending() const { return balloonTimer_.isActive(); }
    // Our own balloon while it is up, else null.
    const BalloonWindow* fallbackBalloon() const;

    static QSystemTrayIcon::MessageIcon messageIcon(TBalloonFlags kind);
    // What the user is told, on standard error and as a desktop notice, when
    // add() finds no notification area in time.
    static QString trayMissingText();
    static TrayActivation activation(QSystemTrayIcon::ActivationReason reason);

protected:
    // Presses on the icon, for the double-clicks that Qt does not report.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void doubleClicked();
    void rightButtonUp(QPoint screenPos);
    void balloonTimedOut();
    void balloonClicked();

private:
    TrayHostKind waitForTray();
    void tellTrayMissing();
    void createTray();
    void apply(const NotifyRecord& record);
    void showFallbackBalloon(const DesktopNotice& notice);
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<NoticeChannel> notices_;
    std::unique_ptr<BalloonWindow> balloon_;
    QTimer balloonTimer_;
    ImageSource images_;
    TrayHostProbes probes_;
    std::function<bool()> waitAbandoned_;
    TrayHostKind kind_ = TrayHostKind::None;
    QPointer<QMenu> menu_;
    TBalloonFlags balloonKind_ = TBalloonFlags::bfNone;
    int waitForTrayMs_;
    TrayDoubleClick otherButtons_;
    std::unique_ptr<NativeDoubleClicks> nativeDoubleClicks_;
};

// Routes the shell's reports to `icon` (both must outlive the connection's use).
void connectTrayShell(QtTrayShell& shell, TrayIcon& icon);
