#pragma once
// The interface every bridge driver implements, and the one-per-process slot
// that the FT_* calls dispatch to.

#include "device/ftd2xx.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class FtDriver {
public:
    virtual ~FtDriver() = default;

    // Number of bridges attached now.
    virtual FT_STATUS count(DWORD* count) = 0;
    // Description of the bridge at index: at most 63 bytes, NUL-terminated, in buf.
    virtual FT_STATUS description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) = 0;
    // Opens the first bridge whose description equals `description` exactly.
    virtual FT_STATUS open(const std::string& description, FT_HANDLE* handle) = 0;
    virtual FT_STATUS close(FT_HANDLE handle) = 0;
    virtual FT_STATUS reset(FT_HANDLE handle) = 0;
    virtual FT_STATUS setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                             UCHAR parity) = 0;
    virtual FT_STATUS setBaudRate(FT_HANDLE handle, ULONG baud) = 0;
    virtual FT_STATUS setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) = 0;
    virtual FT_STATUS purge(FT_HANDLE handle, ULONG mask) = 0;
    virtual FT_STATUS queueStatus(FT_HANDLE handle, DWORD* rxBytes) = 0;
    virtual FT_STATUS read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) = 0;
    virtual FT_STATUS write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) = 0;

    // Beside the status, which cannot tell these apart: why the last open()
    // found its port's device node but could not open it, so that the user can
    // be told what to do. None after any other outcome, and for drivers
    // without such nodes.
    struct OpenRefusal {
        enum class Reason {
            None,
            NoPermission,  // EACCES, EPERM: the user lacks access to the node
            InUse,         // another program has the port (its lock, or TIOCEXCL: EBUSY)
        };
        Reason reason = Reason::None;
        std::string devicePath;
    };
    virtual OpenRefusal lastOpenRefusal() const { return {}; }

    // The program that has `devicePath` open, as "cutecom (pid 4711)", where
    // the system shows it; empty otherwise. Looks through every process: for
    // a notice, not for every tick.
    virtual std::string holderOf(const std::string& devicePath) const {
        (void)devicePath;
        return {};
    }

    // Bridges that are attached but offer no port to open: a USB device whose
    // product string is `description` and under whose interfaces the system
    // made no serial port (another driver took it, or the USB-serial driver is
    // missing). `name` is the USB device's name, as "1-1.4". Looked up afresh
    // at each call.
    struct PortlessBridge {
        std::string name;
        std::string description;
    };
    virtual std::vector<PortlessBridge> portlessBridges() const { return {}; }

    // Why this driver can find no bridge at all, for the user (its library is
    // not installed, say); empty while it works.
    virtual std::string unavailableReason() const { return {}; }
};

namespace ftdriver {

// Installs the driver behind the FT_* calls and returns the one it replaces.
// The program installs its driver once at start; tests swap in their own.
std::shared_ptr<FtDriver> install(std::shared_ptr<FtDriver> driver);
std::shared_ptr<FtDriver> current();

}  // namespace ftdriver
