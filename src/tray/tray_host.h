#pragma once
// The two kinds of notification area a Linux desktop offers, and what a mouse
// report from each means to the icon.
//
// - XEmbed: the `_NET_SYSTEM_TRAY_S<n>` selection of the X server (trayer,
//   older panels). The icon is our own X window and sees real mouse events:
//   double-clicks open the window, right-clicks open the menu.
// - StatusNotifierItem: a host registered with `org.kde.StatusNotifierWatcher`
//   on the session bus (KDE, LXQt, XFCE's plugin, Wayland sessions). The host
//   draws the icon and calls `Activate` on a left click; there is no
//   double-click, so `Activate` stands in for it. A host that calls
//   `ContextMenu` instead of reading the exported menu gets the popup.
//
// Qt picks the kind once, when the tray icon is created, and prefers the
// session bus; detectTrayHost() makes the same choice.
//
// On Windows the shell's notification area is the one kind; like an XEmbed
// tray it reports real mouse input on the icon.

#include <functional>

enum class TrayHostKind { None, XEmbed, StatusNotifier, NotificationArea };

struct TrayHostProbes {
    std::function<bool()> statusNotifierHost;  // a watcher with a registered host
    std::function<bool()> xembedTray;          // the tray selection has an owner
    std::function<bool()> notificationArea;    // the Windows shell's taskbar is up
};

TrayHostKind detectTrayHost(const TrayHostProbes& probes);

// How the platform reports mouse activity on the icon (QSystemTrayIcon's reasons).
enum class TrayActivation { Unknown, Context, DoubleClick, Trigger, MiddleClick };

// What the icon is told: nothing, a double-click, or a right button up (menu).
enum class TrayReport { None, DoubleClick, RightButtonUp };

TrayReport reportFor(TrayHostKind kind, TrayActivation activation);

const char* trayHostName(TrayHostKind kind);
