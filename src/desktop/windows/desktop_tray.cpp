// The Windows desktop: the shell's notification area, which Qt drives with
// Shell_NotifyIconW and re-adds by itself after "TaskbarCreated"; balloons are
// the shell's own, so there is no separate channel for notices.

#include "desktop/desktop_tray.h"

#include <QSystemTrayIcon>

TrayHostProbes desktopTrayHostProbes(const QString&) {
    TrayHostProbes probes;
    // True once the taskbar exists; at log-on it may come up after us.
    probes.notificationArea = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return probes;
}

std::unique_ptr<NoticeChannel> makeDesktopNoticeChannel() {
    return nullptr;
}
