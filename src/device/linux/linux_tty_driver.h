#pragma once
// The driver behind the FT_* calls on Linux: the kernel's USB-serial ports first,
// then the virtual bridges (torvik-sim's pseudo-terminals) of the current user.

#include "device/ft_driver.h"
#include "device/linux/bridge_port.h"
#include "device/linux/tty_port.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct LinuxTtyPaths {
    std::string sysfsRoot;        // "/sys"; empty lists no kernel port
    std::string devRoot;          // "/dev"
    std::string bridgeDirectory;  // empty lists no virtual bridge

    // The machine's own places, and the current user's bridge directory.
    static LinuxTtyPaths system();
};

class LinuxTtyDriver : public FtDriver {
public:
    explicit LinuxTtyDriver(LinuxTtyPaths paths);

    // Handles open and not closed.
    int openHandleCount() const;

    // FtDriver. count() takes a fresh listing that description() then reads,
    // so the indexes of one listing stay consistent; open() lists afresh.
    FT_STATUS count(DWORD* count) override;
    FT_STATUS description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) override;
    FT_STATUS open(const std::string& description, FT_HANDLE* handle) override;
    FT_STATUS close(FT_HANDLE handle) override;
    FT_STATUS reset(FT_HANDLE handle) override;
    FT_STATUS setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                     UCHAR parity) override;
    FT_STATUS setBaudRate(FT_HANDLE handle, ULONG baud) override;
    FT_STATUS setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) override;
    FT_STATUS purge(FT_HANDLE handle, ULONG mask) override;
    FT_STATUS queueStatus(FT_HANDLE handle, DWORD* rxBytes) override;
    FT_STATUS read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) override;
    FT_STATUS write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) override;
    OpenRefusal lastOpenRefusal() const override;
    // Looks through /proc/<pid>/fd of every process it may read.
    std::string holderOf(const std::string& devicePath) const override;
    std::vector<PortlessBridge> portlessBridges() const override;

private:
    std::vector<BridgePort> enumerate();
    // The port behind a handle, kept alive for the call even if another thread
    // closes the handle meanwhile; null for an unknown handle.
    std::shared_ptr<TtyPort> port(FT_HANDLE handle) const;

    const LinuxTtyPaths paths_;
    mutable std::mutex mutex_;
    std::vector<BridgePort> listing_;
    bool listed_ = false;
    std::set<std::string> reportedRefusals_;
    OpenRefusal lastOpenRefusal_;
    std::map<std::uintptr_t, std::shared_ptr<TtyPort>> handles_;
    std::uintptr_t nextHandle_ = 1;
};
