// The guard's shared object on Linux: an 8-byte file in the user's runtime
// directory, mapped by every copy. Two open-file-description locks on bytes
// past the record carry the rest: one serialises the copies' checks, the
// other is held shared by every living copy, so "the object existed" means
// "some copy still holds it" and the kernel forgets a copy when it dies. A
// FIFO beside the file is the wake channel of the copy that registered last.

#include "app/check_previous_object.h"
#include "device/linux/user_runtime_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <system_error>

namespace CheckPrevious {
namespace {

constexpr char kFolder[] = "torvik-master";
constexpr char kWakeSuffix[] = ".wake";
// Lock bytes; they lie past the record and never hold data.
constexpr off_t kSerialiseByte = 16;
constexpr off_t kLivenessByte = 17;

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Takes, converts or tests a lock on one byte. Returns false when `wait` is
// off and another copy holds a conflicting lock.
bool lockByte(int fd, off_t byte, short type, bool wait) {
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = byte;
    request.l_len = 1;
    while (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &request) != 0) {
        if (errno == EINTR) continue;
        if (!wait && (errno == EAGAIN || errno == EACCES)) return false;
        throwErrno("Cannot lock the instance record");
    }
    return true;
}

// torvik-master in the user's meeting folder (see user_runtime_folder.h), a
// folder only this user can enter.
std::string objectFolder() {
    const std::string folder = userfolder::meetingFolder() + "/" + kFolder;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throwErrno("Cannot create " + folder);
    std::string why;
    if (!userfolder::isPrivateFolder(folder, ::geteuid(), &why)) {
        throw std::system_error(std::make_error_code(std::errc::permission_denied),
                                why + ", not a private folder of this user");
    }
    return folder;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes to a FIFO whose reader may vanish meanwhile without dying of SIGPIPE.
void writeQuietly(int fd, const void* data, size_t size) {
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EPIPE) {
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

class PosixSharedObject final : public SharedObject {
public:
    PosixSharedObject() = default;
    PosixSharedObject(const PosixSharedObject&) = delete;
    PosixSharedObject& operator=(const PosixSharedObject&) = delete;

    ~PosixSharedObject() override {
        stopListening();
        if (record_) ::munmap(record_, sizeof(InstanceRecord));
        if (fd_ >= 0) ::close(fd_);  // drops both locks
    }

    bool createOrOpen(const std::string& name) override {
        path_ = objectFolder() + "/" + name;
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) throwErrno("Cannot create " + path_);
        lock();
        struct stat info {};
        if (::fstat(fd_, &info) != 0) throwErrno("Cannot inspect " + path_);
        if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
            throw std::system_error(std::make_error_code(std::errc::permission_denied),
                                    path_ + " is not this user's instance record");
        }
        if (info.st_size != static_cast<off_t>(sizeof(InstanceRecord)) &&
            ::ftruncate(fd_, sizeof(InstanceRecord)) != 0) {
            throwErrno("Cannot size " + path_);
        }
        void* view = ::mmap(nullptr, sizeof(InstanceRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (view == MAP_FAILED) throwErrno("Cannot map " + path_);
        record_ = static_cast<InstanceRecord*>(view);

        // Nobody else holds the object when this copy can take it alone; a
        // record found then was left by copies that are gone.
        const bool existed = !lockByte(fd_, kLivenessByte, F_WRLCK, false);
        lockByte(fd_, kLivenessByte, F_RDLCK, true);
        return existed;
    }

    void lock() override { lockByte(fd_, kSerialiseByte, F_WRLCK, true); }
    void unlock() override { lockByte(fd_, kSerialiseByte, F_UNLCK, true); }

    InstanceRecord& record() override { return *record_; }

    void listenForWake() override {
        stopListening();
        const std::string fifo = wakePath();
        ::unlink(fifo.c_str());  // the channel of an earlier or dead copy
        if (::mkfifo(fifo.c_str(), 0600) != 0) throwErrno("Cannot create " + fifo);
        wakeRead_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (wakeRead_ < 0) throwErrno("Cannot open " + fifo);
        // Our own writer keeps the channel from reporting end of file between requests.
        wakeKeepOpen_ = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (wakeKeepOpen_ < 0) throwErrno("Cannot open " + fifo);
    }

    int wakeDescriptor() const override { return wakeRead_; }

    void wake(WindowHandle handle) override {
        // Fails with ENXIO when no living copy reads the channel.
        const int fd = ::open(wakePath().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode)) writeQuietly(fd, &handle, sizeof handle);
        ::close(fd);
    }

private:
    std::string wakePath() const { return path_ + kWakeSuffix; }

    void stopListening() {
        if (wakeRead_ < 0) return;
        // Remove the channel only while it is still ours: a later copy may
        // have put its own in its place.
        struct stat ours {
        }, current{};
        const std::string fifo = wakePath();
        if (::fstat(wakeRead_, &ours) == 0 && ::lstat(fifo.c_str(), &current) == 0 &&
            sameFile(ours, current)) {
            ::unlink(fifo.c_str());
        }
        ::close(wakeRead_);
        if (wakeKeepOpen_ >= 0) ::close(wakeKeepOpen_);
        wakeRead_ = wakeKeepOpen_ = -1;
    }

    std::string path_;
    int fd_ = -1;
    InstanceRecord* record_ = nullptr;
    int wakeRead_ = -1;
    int wakeKeepOpen_ = -1;
};

}  // namespace

std::unique_ptr<SharedObject> makeSharedObject() {
    return std::make_unique<PosixSharedObject>();
}

}  // namespace CheckPrevious
