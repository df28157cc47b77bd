#pragma once
// What the desktop the program runs on offers the tray shell: the probes that
// find its notification area, and its channel for notices, if it has one
// (none on Windows, where the icon's balloon is the notice).

#include "desktop/notice_channel.h"
#include "tray/tray_host.h"

#include <QString>

#include <memory>

// `displayName` is the display the application opened (X11 only).
TrayHostProbes desktopTrayHostProbes(const QString& displayName);
std::unique_ptr<NoticeChannel> makeDesktopNoticeChannel();
