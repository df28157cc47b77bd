#pragma once
// The interface every bridge driver implements, and the one-per-process slot
// that the FT_* calls dispatch to.

#include "device/ftd2xx.h"

#include <cstddef>
#include <memory>
#include <string>

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

    // Beside the status, which cannot tell it apart from a port that another
    // program holds: the device node that the last open() found but was not
    // allowed to open (EACCES, EPERM), so that the user can be told how to get
    // access. Empty after any other outcome, and for drivers without such nodes.
    virtual std::string lastOpenRefusedPath() const { return {}; }

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
