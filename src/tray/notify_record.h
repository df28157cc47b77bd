#pragma once
// The notification record the tray icon keeps for its whole life and hands to
// the shell with every request, shaped after the platform's NOTIFYICONDATAW:
// the same flag values, the same text limits (each field holds one character
// less than its buffer, for the terminator).

#include <QString>

#include <cstdint>

namespace notify {

inline constexpr std::uint32_t NIF_MESSAGE = 0x01;
inline constexpr std::uint32_t NIF_ICON = 0x02;
inline constexpr std::uint32_t NIF_TIP = 0x04;
inline constexpr std::uint32_t NIF_INFO = 0x10;

// The message through which the shell reports mouse and balloon activity.
inline constexpr std::uint32_t kCallbackMessage = 0x0400 + 1;  // WM_USER + 1

inline constexpr int kTipLimit = 127;
inline constexpr int kInfoLimit = 255;
inline constexpr int kInfoTitleLimit = 63;

// Cuts `text` to at most `limit` UTF-16 units without leaving half a surrogate pair.
QString clipped(const QString& text, int limit);

}  // namespace notify

// The kinds of balloon, passed to the shell by value (NIIF_NONE .. NIIF_ERROR).
enum class TBalloonFlags : int { bfNone = 0, bfInfo = 1, bfWarning = 2, bfError = 3 };

struct NotifyRecord {
    std::uint32_t flags = notify::NIF_MESSAGE | notify::NIF_ICON;
    std::uint32_t callbackMessage = notify::kCallbackMessage;
    int iconIndex = 0;  // index of the image shown, in the icon's state images
    QString tip;        // at most kTipLimit characters
    QString info;       // balloon text, at most kInfoLimit characters
    QString infoTitle;  // balloon title, at most kInfoTitleLimit characters
    std::uint32_t timeoutMs = 3000;
    TBalloonFlags infoFlags = TBalloonFlags::bfNone;  // the balloon's icon

    bool has(std::uint32_t flag) const { return (flags & flag) != 0; }
    bool operator==(const NotifyRecord&) const = default;
};
