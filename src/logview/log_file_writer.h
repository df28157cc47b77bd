#pragma once
// Writes the log to a text file: every line followed by CR LF, in the 8-bit code
// page without a byte-order mark. The file is written beside the target and only
// replaces it once complete, so a failed save never destroys the previous file.
// Where a replacement is not possible or would change the file (no temporary
// file can be made in its folder, the file has other links, or the replacement
// would belong to someone else), the file is overwritten in place; devices and
// pipes are always written directly, and a pipe without a reader is refused.
//
// Use: logfile::save(model, path) after the lines have been trimmed; a failure is
// shown through errorbox::reportApplicationError and false is returned.

#include <QString>

class LogModel;

namespace logfile {

bool save(const LogModel& model, const QString& path);

// The two error texts, with the file's full path and the system's cause.
QString createErrorText(const QString& fullPath, const QString& cause);
inline const QString kWriteErrorText = QStringLiteral("Stream-Schreibfehler");

}  // namespace logfile
