#include "tray/tray_host.h"

TrayHostKind detectTrayHost(const TrayHostProbes& probes) {
    if (probes.statusNotifierHost && probes.statusNotifierHost()) return TrayHostKind::StatusNotifier;
    if (probes.xembedTray && probes.xembedTray()) return TrayHostKind::XEmbed;
    if (probes.notificationArea && probes.notificationArea()) return TrayHostKind::NotificationArea;
    return TrayHostKind::None;
}

TrayReport reportFor(TrayHostKind kind, TrayActivation activation) {
    switch (activation) {
        case TrayActivation::DoubleClick:
            return TrayReport::DoubleClick;
        case TrayActivation::Context:
            return TrayReport::RightButtonUp;
        case TrayActivation::Trigger:
            // A left click on an XEmbed icon is left alone; a host's Activate
            // is the only way to open the window from a StatusNotifierItem.
            return kind == TrayHostKind::StatusNotifier ? TrayReport::DoubleClick : TrayReport::None;
        case TrayActivation::MiddleClick:
        case TrayActivation::Unknown:
            break;
    }
    return TrayReport::None;
}

const char* trayHostName(TrayHostKind kind) {
    switch (kind) {
        case TrayHostKind::XEmbed:
            return "XEmbed system tray";
        case TrayHostKind::StatusNotifier:
            return "StatusNotifierItem host";
        case TrayHostKind::NotificationArea:
            return "Windows notification area";
        case TrayHostKind::None:
            break;
    }
    return "none";
}
