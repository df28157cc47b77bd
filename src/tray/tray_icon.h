#pragma once
// The program's notification-area icon (`TrayIcon1`): its image, tooltip and
// balloon notices, kept in one notification record over a TrayShell.
//
// Use (user-interface thread only; the icon holds no lock):
//   TrayIcon icon(shell);          // shell outlives the icon
//   icon.SetVisible(true);         // NIM_ADD; throws TrayIconError if refused
//   icon.SetIconIndex(0);          // NIM_MODIFY unless unchanged
//   icon.SetBalloonHint("Device closed");   // NIM_MODIFY unless unchanged
//   icon.SetBalloonFlags(TBalloonFlags::bfError);  // stored only
//   icon.ShowBalloonNotice();      // NIF_INFO on, NIM_MODIFY
// The shell calls the on*() report functions; the icon answers with the
// signals dblClick(), popupRequested(pos) and balloonClick(). Destroying a
// visible icon removes it (NIM_DELETE).
//
// Start values: IconIndex 1, Hint "Torvik Master", BalloonTitle "Torvik Status",
// BalloonHint empty, BalloonFlags bfInfo, BalloonTimeout 3000, not visible.

#include "tray/notify_record.h"
#include "tray/tray_shell.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <stdexcept>

// The shell refused to add the icon.
class TrayIconError : public std::runtime_error {
public:
    TrayIconError();
};

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(TrayShell& shell, QObject* parent = nullptr);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    QString BalloonHint() const { return balloonHint_; }
    void SetBalloonHint(const QString& text);
    TBalloonFlags BalloonFlags() const { return balloonFlags_; }
    void SetBalloonFlags(TBalloonFlags flags) { balloonFlags_ = flags; }
    QString BalloonTitle() const { return balloonTitle_; }
    void SetBalloonTitle(const QString& title);
    int BalloonTimeout() const { return static_cast<int>(record_.timeoutMs); }
    void SetBalloonTimeout(int ms);
    QString Hint() const { return hint_; }
    void SetHint(const QString& text);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    void ShowBalloonNotice();

    const NotifyRecord& Record() const { return record_; }

    // Reports from the shell.
    void onBalloonHidden();
    void onBalloonTimedOut();
    void onBalloonClicked();
    void onDoubleClick();
    void onRightButtonUp(QPoint screenPos);
    void onShellRestarted();

signals:
    void dblClick();
    void popupRequested(QPoint screenPos);
    void balloonClick();

private:
    void modify();
    void balloonGone();

    TrayShell& shell_;
    NotifyRecord record_;
    int iconIndex_ = 1;
    QString hint_;
    QString balloonHint_;
    QString balloonTitle_;
    TBalloonFlags balloonFlags_ = TBalloonFlags::bfInfo;
    bool visible_ = false;
};
