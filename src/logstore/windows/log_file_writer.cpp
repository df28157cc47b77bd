// Saving on Windows: the log is written to a temporary file beside the target
// and moved over it when complete (QSaveFile, MoveFileEx underneath), so a
// failed save leaves the previous file whole. Where the folder takes no new
// file but the target may be written, the target is overwritten in place.
// The causes in the error texts are the system's own (FormatMessage, by Qt).

#include "logstore/log_file_writer.h"

#include "logstore/log_model.h"
#include "text/error_box.h"
#include "text/windows/system_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <windows.h>

namespace {

bool writeLines(const LogModel& model, QFileDevice& file) {
    return model.writeEncoded("\r\n", [&file](QByteArrayView block) {
        return file.write(block.data(), block.size()) == block.size();
    });
}

bool reportCreateError(const QString& fullPath, const QString& cause) {
    errorbox::reportApplicationError(logfile::createErrorText(fullPath, cause));
    return false;
}

// The system's text for an error code, as FormatMessage gives it.
QString systemCause(DWORD code) {
    const std::wstring text = systemtext::message(code);
    return text.empty() ? QString::number(code) : QString::fromStdWString(text);
}

bool reportWriteError() {
    errorbox::reportApplicationError(logfile::kWriteErrorText);
    return false;
}

}  // namespace

namespace logfile {

QString createErrorText(const QString& fullPath, const QString& cause) {
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, cause);
}

bool save(const LogModel& model, const QString& path, std::chrono::milliseconds) {
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // A read-only file is never replaced: the rename would take it away
    // regardless of the attribute on some systems.
    if (const QFileInfo target(fullPath); target.exists() && !target.isDir() && !target.isWritable())
        return reportCreateError(fullPath, systemCause(ERROR_ACCESS_DENIED));
    QSaveFile beside(fullPath);
    if (beside.open(QIODevice::WriteOnly)) {
        if (!writeLines(model, beside) || !beside.commit()) {
            beside.cancelWriting();
            return reportWriteError();
        }
        return true;
    }
    const QString besideError = beside.errorString();
    QFile target(fullPath);
    if (!QFileInfo::exists(fullPath) || QFileInfo(fullPath).isDir() ||
        !target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return reportCreateError(fullPath,
                                 target.error() == QFileDevice::NoError ? besideError : target.errorString());
    }
    if (!writeLines(model, target) || !target.flush()) return reportWriteError();
    return true;
}

}  // namespace logfile
