#pragma once
// Writes the log to a text file: every line followed by CR LF, in the 8-bit code
// page without a byte-order mark. The file is written beside the target and only
// replaces it once complete, so a failed save never destroys the previous file.
// Where a replacement is not possible or would change the file (no temporary
// file can be made in its folder, the file has other links, or the replacement
// would belong to someone else), the file is overwritten in place. A replaced
// file keeps the old one's owner, group and mode, set-user-ID bits included.
// Devices and pipes are always written directly, and a pipe without a reader is
// refused; one that takes no byte for `stallLimit` (a pipe nobody drains, a
// terminal stopped with Ctrl+S) fails the save with the write error, so the
// user interface is never held for good. Windows writes files only and does
// not use the limit.
//
// Use: logfile::save(model, path) after the lines have been trimmed; a failure is
// shown through errorbox::reportApplicationError and false is returned.

#include <QString>

#include <chrono>

class LogModel;

namespace logfile {

inline constexpr std::chrono::milliseconds kStallLimit{10000};

bool save(const LogModel& model, const QString& path, std::chrono::milliseconds stallLimit = kStallLimit);

// The two error texts, with the file's full path and the system's cause.
QString createErrorText(const QString& fullPath, const QString& cause);
inline const QString kWriteErrorText = QStringLiteral("Stream-Schreibfehler");

}  // namespace logfile
