#include "logstore/log_file_writer.h"

#include "logstore/log_model.h"
#include "text/error_box.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>

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

bool reportCreateError(const QString& fullPath, int error) {
    errorbox::reportApplicationError(
        logfile::createErrorText(fullPath, QString::fromLocal8Bit(std::strerror(error))));
    return false;
}

bool reportWriteError() {
    errorbox::reportApplicationError(logfile::kWriteErrorText);
    return false;
}

// A descriptor that is closed unless it was handed on.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

int openForWriting(const QByteArray& path, int flags) {
    return ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | flags, 0666);
}

// Writes the log through an open descriptor from its current position on and
// closes it; the file keeps what was written when a write fails.
bool writeThrough(const LogModel& model, int fd) {
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return reportWriteError();
    }
    if (!writeLines(model, file) || !file.flush()) return reportWriteError();
    return true;
}

// Writes `block` to a device or pipe opened without waiting: whenever it takes
// nothing, waits until it can take more, but never longer than `stallLimit`
// after the last byte it took.
bool writeUnlessStalled(int fd, QByteArrayView block, std::chrono::milliseconds stallLimit) {
    using Clock = std::chrono::steady_clock;
    const char* data = block.data();
    qsizetype left = block.size();
    Clock::time_point deadline = Clock::now() + stallLimit;
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written > 0) {
            data += written;
            left -= written;
            deadline = Clock::now() + stallLimit;
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) return false;
        struct pollfd ready {
            fd, POLLOUT, 0
        };
        if (::poll(&ready, 1, static_cast<int>(remaining.count())) < 0 && errno != EINTR) return false;
        // A hang-up or an error shows in the next write.
    }
    return true;
}

// Writes the log to a device or pipe and closes it; what was written stays.
bool writeToDevice(const LogModel& model, int fd, std::chrono::milliseconds stallLimit) {
    const Descriptor device{fd};
    const bool written = model.writeEncoded(
        "\r\n", [&](QByteArrayView block) { return writeUnlessStalled(device.fd, block, stallLimit); });
    return written || reportWriteError();
}

// Overwrites the content of an opened regular file: its name, links, owner and
// permissions stay, but a failed write loses the previous content.
bool overwrite(const LogModel& model, Descriptor& file) {
    if (::ftruncate(file.fd, 0) != 0) return reportWriteError();
    return writeThrough(model, file.release());
}

enum class SafeSave { Saved, Failed, NotPossible };

// Writes a temporary file beside the target and renames it over the target.
// Not possible when no temporary file can be made there, or when the new file
// would not belong to the target's owner and group.
SafeSave saveBeside(const LogModel& model, const QString& fullPath, const struct stat* previous) {
    QSaveFile file(fullPath);
    if (!file.open(QIODevice::WriteOnly)) return SafeSave::NotPossible;
    struct stat fresh {};
    if (previous && (::fstat(file.handle(), &fresh) != 0 || fresh.st_uid != previous->st_uid ||
                     fresh.st_gid != previous->st_gid)) {
        file.cancelWriting();
        return SafeSave::NotPossible;
    }
    // The mode is set once the content is written: a write by a user without
    // the right to keep them clears set-user-ID and set-group-ID bits.
    const bool written = writeLines(model, file) && file.flush();
    if (written && previous) ::fchmod(file.handle(), previous->st_mode & 07777);
    if (!written || !file.commit()) {
        file.cancelWriting();
        reportWriteError();
        return SafeSave::Failed;
    }
    return SafeSave::Saved;
}

}  // namespace

namespace logfile {

QString createErrorText(const QString& fullPath, const QString& cause) {
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, cause);
}

bool save(const LogModel& model, const QString& path, std::chrono::milliseconds stallLimit) {
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // The file is written under a temporary name and renamed at the end; causes
    // that only the rename would meet are found before anything is written.
    const int refused = QFileInfo(fullPath).isDir() ? EISDIR : nameTooLong(fullPath) ? ENAMETOOLONG : 0;
    if (refused != 0) return reportCreateError(fullPath, refused);

    const QByteArray encoded = QFile::encodeName(fullPath);
    struct stat previous {};
    const bool exists = ::stat(encoded.constData(), &previous) == 0;
    // A device or pipe has no previous content to protect and must not be
    // replaced by a renamed file: it is written directly. It is opened without
    // waiting, so that a pipe without a reader refuses at once instead of
    // blocking the user interface until one comes, and stays so for the writes.
    if (exists && !S_ISREG(previous.st_mode)) {
        const int fd = openForWriting(encoded, O_NONBLOCK);
        if (fd < 0) return reportCreateError(fullPath, errno);
        return writeToDevice(model, fd, stallLimit);
    }

    // An existing file must let us write to it, as a plain overwrite would.
    // It is opened without O_CREAT, which the kernel may refuse for another
    // user's file in a sticky folder even where writing is allowed.
    Descriptor target;
    if (exists) {
        target.fd = openForWriting(encoded, 0);
        if (target.fd < 0 && errno != ENOENT) return reportCreateError(fullPath, errno);
    }
    // A replacement would break the file's other links.
    if (target.fd >= 0 && previous.st_nlink > 1) return overwrite(model, target);

    switch (saveBeside(model, fullPath, target.fd >= 0 ? &previous : nullptr)) {
        case SafeSave::Saved:
            return true;
        case SafeSave::Failed:
            return false;
        case SafeSave::NotPossible:
            break;
    }
    if (target.fd < 0) {
        target.fd = openForWriting(encoded, O_CREAT | O_TRUNC);
        if (target.fd < 0) return reportCreateError(fullPath, errno);
    }
    return overwrite(model, target);
}

}  // namespace logfile
