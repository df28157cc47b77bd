#pragma once
// The notification-area shell behind the tray icon (TrayIcon, tray_icon.h).
//
// A shell backend implements three requests, each carrying the icon's whole
// notification record (notify_record.h):
//   add(record)    - put the icon into the notification area (NIM_ADD); false
//                    when the shell refuses it.
//   modify(record) - bring the icon up to date with the record (NIM_MODIFY):
//                    image record.iconIndex, tooltip record.tip when NIF_TIP is
//                    set, and, while NIF_INFO is set, the balloon (record.infoTitle,
//                    record.info, record.infoFlags, record.timeoutMs). A record
//                    that still carries NIF_INFO shows its balloon again.
//                    The result is not checked by the icon.
//   remove(record) - take the icon out of the notification area (NIM_DELETE).
//
// The shell reports back by calling the TrayIcon's report functions on the
// user-interface thread: onBalloonHidden(), onBalloonTimedOut(),
// onBalloonClicked(), onDoubleClick(), onRightButtonUp(screen position) and
// onShellRestarted() (the taskbar was re-created; the icon adds itself again).

#include "tray/notify_record.h"

class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual bool add(const NotifyRecord& record) = 0;
    virtual void modify(const NotifyRecord& record) = 0;
    virtual void remove(const NotifyRecord& record) = 0;
};
