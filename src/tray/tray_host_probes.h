#pragma once
// The probes that look for a notification area on the running desktop.

#include "tray/desktop_tray.h"
#include "tray/tray_host.h"

#include <QDBusConnection>

#include <memory>

// True when `org.kde.StatusNotifierWatcher` on `bus` has a host registered.
// Waits at most `timeoutMs` for the watcher's answer.
bool statusNotifierHostOnBus(const QDBusConnection& bus, int timeoutMs);

// Whether the X server's system tray selection has an owner. Holds its own
// connection to the X server; without one (not on X11) it always says no.
class XEmbedTrayProbe {
public:
    XEmbedTrayProbe();
    ~XEmbedTrayProbe();
    XEmbedTrayProbe(const XEmbedTrayProbe&) = delete;
    XEmbedTrayProbe& operator=(const XEmbedTrayProbe&) = delete;

    bool operator()() const;

private:
    struct Connection;
    std::unique_ptr<Connection> x_;
};

// desktopTrayHostProbes() (desktop_tray.h) gives both probes for the session
// the program runs in: the session bus, and the X server only when Qt itself
// talks X11 (the XEmbed tray is of no use on Wayland).
