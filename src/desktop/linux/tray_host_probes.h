#pragma once
// The probes that look for a notification area on the running desktop.

#include "desktop/desktop_tray.h"
#include "tray/tray_host.h"

#include <QDBusConnection>

#include <QString>

#include <cstdint>

// True when `org.kde.StatusNotifierWatcher` on `bus` has a host registered.
// Waits at most `timeoutMs` for the watcher's answer.
bool statusNotifierHostOnBus(const QDBusConnection& bus, int timeoutMs);

struct xcb_connection_t;

// Whether the system tray selection of X screen `screen` has an owner, asked
// over `connection` (the application's own, so that "-display NAME" counts;
// it must outlive the probe). Without a connection it always says no.
class XEmbedTrayProbe {
public:
    XEmbedTrayProbe(xcb_connection_t* connection, int screen);

    bool operator()() const;

private:
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t selection_ = 0;
};

// The X screen number in a display name (":0.1" is screen 1); 0 when it names none.
int screenOfDisplay(const QString& displayName);

// desktopTrayHostProbes() (desktop_tray.h) gives both probes for the session
// the program runs in: the session bus, and the X server only when Qt itself
// talks X11 (the XEmbed tray is of no use on Wayland).
