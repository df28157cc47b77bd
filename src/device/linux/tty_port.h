#pragma once
// One opened serial port (a kernel USB-serial tty or a pseudo-terminal) behind
// the FT_* per-device calls: raw 8-bit termios, time-outs applied with poll, the
// receive queue through TIOCINQ and purges through tcflush. A hang-up (the
// bridge was unplugged) answers FT_IO_ERROR, never a silent empty read.

#include "device/ftd2xx.h"
#include "device/linux/bridge_port.h"

#include <atomic>
#include <memory>
#include <mutex>

class TtyPort {
public:
    // Opens `port` exclusively and makes it raw: 8N1, no flow control. The
    // port is locked with flock (a port another program holds so gives
    // FT_DEVICE_NOT_OPENED), then set TIOCEXCL, so that any later open by
    // another program fails with EBUSY, also one that takes no lock. When the
    // device node itself will not open, or the lock is taken, `openErrno` (if
    // given) receives the reason (EBUSY for the lock); otherwise 0.
    static FT_STATUS open(const BridgePort& port, std::unique_ptr<TtyPort>* opened, int* openErrno = nullptr);
    ~TtyPort();
    TtyPort(const TtyPort&) = delete;
    TtyPort& operator=(const TtyPort&) = delete;

    // Flushes both queues: all that a reset can do on a tty.
    FT_STATUS reset();
    FT_STATUS setDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity);
    FT_STATUS setBaudRate(ULONG baud);
    // 0 means "do not wait": take what is there, write what fits.
    FT_STATUS setTimeouts(ULONG readMs, ULONG writeMs);
    FT_STATUS purge(ULONG mask);
    FT_STATUS queueStatus(DWORD* rxBytes);
    // Returns once `count` bytes arrived or the read time-out passed (FT_OK with
    // fewer bytes, as the vendor's driver does).
    FT_STATUS read(void* buf, DWORD count, DWORD* got);
    FT_STATUS write(const void* buf, DWORD count, DWORD* written);

    // Until the program sets its own, both time-outs are this long.
    static constexpr ULONG kDefaultTimeoutMs = 300;

private:
    explicit TtyPort(int fd) : fd_(fd) {}
    // Read-modify-write of the termios settings; UI thread and reader may overlap.
    template <typename Change>
    FT_STATUS changeTermios(Change change);

    const int fd_;
    bool exclusive_ = false;  // TIOCEXCL set by us
    std::atomic<ULONG> readTimeoutMs_{kDefaultTimeoutMs};
    std::atomic<ULONG> writeTimeoutMs_{kDefaultTimeoutMs};
    std::mutex termiosMutex_;
};
