#include "logview/log_file_writer.h"

#include "device/error_box.h"
#include "logview/log_model.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// Writes the lines to `file` in large blocks, so that saving runs at disk speed.
bool writeLines(const LogModel& model, QFileDevice& file) {
    return model.writeEncoded("\r\n", [&file](QByteArrayView block) {
        return file.write(block.data(), block.size()) == block.size();
    });
}

bool nameTooLong(const QString& fullPath) {
    const QByteArray encoded = QFile::encodeName(fullPath);
    const QByteArray name = QFile::encodeName(QFileInfo(fullPath).fileName());
    return encoded.size() >= PATH_MAX || name.size() > NAME_MAX;
}

}  // namespace

namespace logfile {

QString createErrorText(const QString& fullPath, const QString& cause) {
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, cause);
}

bool save(const LogModel& model, const QString& path) {
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    const QFileInfo target(fullPath);
    // The file is written under a temporary name and renamed at the end; causes
    // that only the rename would meet are found before anything is written.
    const int refused = target.isDir() ? EISDIR : nameTooLong(fullPath) ? ENAMETOOLONG : 0;
    if (refused != 0) {
        errorbox::reportApplicationError(
            createErrorText(fullPath, QString::fromLocal8Bit(std::strerror(refused))));
        return false;
    }
    // A device or pipe has no previous content to protect and must not be
    // replaced by a renamed file: it is written directly.
    if (target.exists() && !target.isFile()) {
        QFile device(fullPath);
        if (!device.open(QIODevice::WriteOnly)) {
            errorbox::reportApplicationError(createErrorText(fullPath, device.errorString()));
            return false;
        }
        if (!writeLines(model, device) || !device.flush()) {
            errorbox::reportApplicationError(kWriteErrorText);
            return false;
        }
        return true;
    }
    QSaveFile file(fullPath);
    if (!file.open(QIODevice::WriteOnly)) {
        errorbox::reportApplicationError(createErrorText(fullPath, file.errorString()));
        return false;
    }
    if (!writeLines(model, file) || !file.commit()) {
        file.cancelWriting();
        errorbox::reportApplicationError(kWriteErrorText);
        return false;
    }
    return true;
}

}  // namespace logfile
