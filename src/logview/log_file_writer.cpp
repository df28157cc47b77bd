#include "logview/log_file_writer.h"

#include "device/error_box.h"
#include "logview/log_model.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qsizetype kFlushAt = qsizetype{1} << 20;

}  // namespace

namespace logfile {

QString createErrorText(const QString& fullPath, const QString& cause) {
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, cause);
}

bool save(const LogModel& model, const QString& path) {
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    QSaveFile file(fullPath);
    if (!file.open(QIODevice::WriteOnly)) {
        errorbox::reportApplicationError(createErrorText(fullPath, file.errorString()));
        return false;
    }
    // Lines are gathered into large blocks so that writing runs at disk speed.
    QByteArray block;
    block.reserve(kFlushAt + 4096);
    bool ok = true;
    const qsizetype count = model.lineCount();
    for (qsizetype i = 0; i < count && ok; ++i) {
        model.appendEncodedLine(i, block);
        block.append("\r\n", 2);
        if (block.size() >= kFlushAt) {
            ok = file.write(block) == block.size();
            block.resize(0);
        }
    }
    if (ok && !block.isEmpty()) ok = file.write(block) == block.size();
    if (!ok || !file.commit()) {
        file.cancelWriting();
        errorbox::reportApplicationError(kWriteErrorText);
        return false;
    }
    return true;
}

}  // namespace logfile
