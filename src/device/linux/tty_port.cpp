#include "device/linux/tty_port.h"

#include "device/linux/bridge_directory.h"
#include "device/linux/tty_status.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

struct BaudCode {
    ULONG baud;
    speed_t code;
};

constexpr BaudCode kBaudCodes[] = {
    {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
    {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
};

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events`; returns FT_OK with *ready telling whether they came,
// or FT_IO_ERROR when the port hung up.
FT_STATUS waitFor(int fd, short events, int timeoutMs, bool* ready) {
    pollfd p{fd, events, 0};
    int n;
    do {
        n = ::poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return ttystatus::fromErrno(errno);
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return FT_IO_ERROR;
    *ready = n > 0;
    return FT_OK;
}

FT_STATUS makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return FT_DEVICE_NOT_OPENED;  // not a tty at all
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0 ? FT_OK : FT_DEVICE_NOT_OPENED;
}

}  // namespace

FT_STATUS TtyPort::open(const BridgePort& port, std::unique_ptr<TtyPort>* opened, int* openErrno) {
    if (openErrno) *openErrno = 0;
    const int fd = ::open(port.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (openErrno) *openErrno = err;
        return ttystatus::fromOpenErrno(err);
    }
    std::unique_ptr<TtyPort> tty(new TtyPort(fd));
    if (port.mustBeOwnPty) {
        // The entry was checked when listed; check again what was actually opened.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !bridgedirectory::isOwnPtySlave(st)) return FT_DEVICE_NOT_OPENED;
    }
    // One program at a time on a port, as with the vendor's driver: the lock
    // keeps out those that lock too, TIOCEXCL every other open.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (openErrno) *openErrno = errno == EWOULDBLOCK ? EBUSY : errno;
        return FT_DEVICE_NOT_OPENED;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) return FT_DEVICE_NOT_OPENED;
    tty->exclusive_ = true;
    if (const FT_STATUS status = makeRaw(fd); status != FT_OK) return status;
    *opened = std::move(tty);
    return FT_OK;
}

TtyPort::~TtyPort() {
    // A pty slave that torvik-sim keeps open outlives this descriptor, and the
    // exclusive mode with it: clear it, or our own next open fails with EBUSY.
    if (exclusive_) ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

template <typename Change>
FT_STATUS TtyPort::changeTermios(Change change) {
    std::lock_guard lock(termiosMutex_);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return ttystatus::fromErrno(errno);
    if (const FT_STATUS status = change(tio); status != FT_OK) return status;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return ttystatus::fromErrno(errno);
    return FT_OK;
}

FT_STATUS TtyPort::reset() {
    return purge(FT_PURGE_RX | FT_PURGE_TX);
}

FT_STATUS TtyPort::setDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity) {
    return changeTermios([=](termios& tio) {
        tcflag_t size;
        if (wordLength == FT_BITS_8) {
            size = CS8;
        } else if (wordLength == FT_BITS_7) {
            size = CS7;
        } else {
            return FT_INVALID_PARAMETER;
        }
        if (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) return FT_INVALID_PARAMETER;
        tcflag_t parityFlags;
        switch (parity) {
            case FT_PARITY_NONE:
                parityFlags = 0;
                break;
            case FT_PARITY_ODD:
                parityFlags = PARENB | PARODD;
                break;
            case FT_PARITY_EVEN:
                parityFlags = PARENB;
                break;
            case 3:
                parityFlags = PARENB | PARODD | CMSPAR;
                break;  // mark
            case 4:
                parityFlags = PARENB | CMSPAR;
                break;  // space
            default:
                return FT_INVALID_PARAMETER;
        }
        tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
        tio.c_cflag |= size | parityFlags | (stopBits == FT_STOP_BITS_2 ? CSTOPB : 0);
        return FT_OK;
    });
}

FT_STATUS TtyPort::setBaudRate(ULONG baud) {
    for (const BaudCode& entry : kBaudCodes) {
        if (entry.baud != baud) continue;
        return changeTermios([&](termios& tio) {
            if (::cfsetispeed(&tio, entry.code) != 0 || ::cfsetospeed(&tio, entry.code) != 0) {
                return FT_INVALID_BAUD_RATE;
            }
            return FT_OK;
        });
    }
    return FT_INVALID_BAUD_RATE;
}

FT_STATUS TtyPort::setTimeouts(ULONG readMs, ULONG writeMs) {
    readTimeoutMs_ = readMs;
    writeTimeoutMs_ = writeMs;
    return FT_OK;
}

FT_STATUS TtyPort::purge(ULONG mask) {
    const bool rx = mask & FT_PURGE_RX;
    const bool tx = mask & FT_PURGE_TX;
    if (!rx && !tx) return FT_OK;
    const int queue = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
    return ::tcflush(fd_, queue) == 0 ? FT_OK : ttystatus::fromErrno(errno);
}

FT_STATUS TtyPort::queueStatus(DWORD* rxBytes) {
    int waiting = 0;
    // One call a poll, and the idle link's only one: a port that has hung up
    // (unplugged, or its bridge's other end closed) fails the ioctl itself with
    // EIO, as the kernel swaps a hung-up file's calls for failing ones.
    if (::ioctl(fd_, TIOCINQ, &waiting) != 0) return ttystatus::fromErrno(errno);
    *rxBytes = static_cast<DWORD>(waiting);
    return FT_OK;
}

FT_STATUS TtyPort::read(void* buf, DWORD count, DWORD* got) {
    auto* bytes = static_cast<std::uint8_t*>(buf);
    // The time-out runs from the first read that comes up short (the reads
    // before it do not wait): the reader asks for what is queued, which one
    // read takes, and so never reads the clock.
    std::optional<Clock::time_point> deadline;
    *got = 0;
    while (*got < count) {
        const ssize_t n = ::read(fd_, bytes + *got, count - *got);
        if (n > 0) {
            *got += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return ttystatus::fromErrno(errno);
        if (!deadline) deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs_.load());
        // Nothing to read: the queue is empty, or the port hung up (a read of 0 either way).
        bool ready = false;
        if (const FT_STATUS status = waitFor(fd_, POLLIN, remainingMs(*deadline), &ready); status != FT_OK) {
            return status;
        }
        if (!ready || Clock::now() >= *deadline) break;  // time-out: return what came
    }
    return FT_OK;
}

FT_STATUS TtyPort::write(const void* buf, DWORD count, DWORD* written) {
    const auto* bytes = static_cast<const std::uint8_t*>(buf);
    const auto deadline = Clock::now() + std::chrono::milliseconds(writeTimeoutMs_.load());
    *written = 0;
    while (*written < count) {
        const ssize_t n = ::write(fd_, bytes + *written, count - *written);
        if (n > 0) {
            *written += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return ttystatus::fromErrno(errno);
        bool ready = false;
        if (const FT_STATUS status = waitFor(fd_, POLLOUT, remainingMs(deadline), &ready); status != FT_OK) {
            return status;
        }
        if (!ready || Clock::now() >= deadline) break;  // time-out: the caller sees the shorter count
    }
    return FT_OK;
}
