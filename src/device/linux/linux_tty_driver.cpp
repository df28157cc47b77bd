#include "device/linux/linux_tty_driver.h"

#include "device/linux/bridge_directory.h"
#include "device/linux/kernel_ports.h"

#include <QtGlobal>

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::uintptr_t key(FT_HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

LinuxTtyPaths LinuxTtyPaths::system() {
    return {"/sys", "/dev", bridgedirectory::defaultPath()};
}

LinuxTtyDriver::LinuxTtyDriver(LinuxTtyPaths paths) : paths_(std::move(paths)) {}

int LinuxTtyDriver::openHandleCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(handles_.size());
}

std::vector<BridgePort> LinuxTtyDriver::enumerate() {
    std::vector<BridgePort> ports = listKernelPorts(paths_.sysfsRoot, paths_.devRoot);
    std::vector<std::string> refusals;
    std::vector<BridgePort> bridges = bridgedirectory::list(paths_.bridgeDirectory, &refusals);
    ports.insert(ports.end(), bridges.begin(), bridges.end());
    // The watchdog lists every second: say each refusal once, not once a second.
    std::lock_guard lock(mutex_);
    for (const std::string& refusal : refusals) {
        if (reportedRefusals_.insert(refusal).second) qWarning("%s", refusal.c_str());
    }
    return ports;
}

FT_STATUS LinuxTtyDriver::count(DWORD* count) {
    std::vector<BridgePort> ports = enumerate();
    std::lock_guard lock(mutex_);
    listing_ = std::move(ports);
    listed_ = true;
    *count = static_cast<DWORD>(listing_.size());
    return FT_OK;
}

FT_STATUS LinuxTtyDriver::description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) {
    bool listed;
    {
        std::lock_guard lock(mutex_);
        listed = listed_;
    }
    if (!listed) {
        DWORD ignored = 0;
        count(&ignored);
    }
    std::lock_guard lock(mutex_);
    if (index >= listing_.size()) return FT_DEVICE_NOT_FOUND;
    const std::string& text = listing_[index].description;
    const std::size_t n = std::min(text.size(), sizeof buf - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return FT_OK;
}

FT_STATUS LinuxTtyDriver::open(const std::string& description, FT_HANDLE* handle) {
    *handle = nullptr;
    {
        std::lock_guard lock(mutex_);
        lastOpenRefusal_ = {};
    }
    // An empty name would otherwise open the first port that has no product string.
    if (description.empty()) return FT_DEVICE_NOT_FOUND;
    for (const BridgePort& candidate : enumerate()) {
        if (candidate.description != description) continue;
        std::unique_ptr<TtyPort> opened;
        int openErrno = 0;
        if (const FT_STATUS status = TtyPort::open(candidate, &opened, &openErrno); status != FT_OK) {
            OpenRefusal refusal{OpenRefusal::Reason::None, candidate.devicePath};
            if (openErrno == EACCES || openErrno == EPERM) refusal.reason = OpenRefusal::Reason::NoPermission;
            if (openErrno == EBUSY) refusal.reason = OpenRefusal::Reason::InUse;
            if (refusal.reason != OpenRefusal::Reason::None) {
                std::lock_guard lock(mutex_);
                lastOpenRefusal_ = refusal;
            }
            return status;
        }
        std::lock_guard lock(mutex_);
        const std::uintptr_t id = nextHandle_++;
        handles_[id] = std::move(opened);
        *handle = reinterpret_cast<FT_HANDLE>(id);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FtDriver::OpenRefusal LinuxTtyDriver::lastOpenRefusal() const {
    std::lock_guard lock(mutex_);
    return lastOpenRefusal_;
}

std::string LinuxTtyDriver::holderOf(const std::string& devicePath) const {
    // The node may be a link (a fake tree's, or /dev/serial/by-id): compare
    // what the descriptors lead to with what the node leads to.
    char resolved[PATH_MAX];
    if (!::realpath(devicePath.c_str(), resolved)) return {};
    const std::string target = resolved;
    DIR* proc = ::opendir("/proc");
    if (!proc) return {};
    std::string holder;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid()) continue;
        const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // another user's process, or one that just ended
        bool holds = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.') continue;
            char link[PATH_MAX];
            const ssize_t n = ::readlink((fdDir + "/" + fd->d_name).c_str(), link, sizeof link - 1);
            if (n > 0 && std::string(link, static_cast<std::size_t>(n)) == target) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (!holds) continue;
        std::string name;
        if (std::FILE* comm = std::fopen((std::string("/proc/") + entry->d_name + "/comm").c_str(), "r")) {
            char buf[64] = {};
            if (std::fgets(buf, sizeof buf, comm)) name = buf;
            std::fclose(comm);
        }
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        holder = (name.empty() ? std::string("a program") : name) + " (pid " + std::to_string(pid) + ")";
        break;
    }
    ::closedir(proc);
    return holder;
}

std::vector<FtDriver::PortlessBridge> LinuxTtyDriver::portlessBridges() const {
    std::vector<PortlessBridge> bridges;
    for (const PortlessUsbDevice& device : listPortlessUsbDevices(paths_.sysfsRoot))
        bridges.push_back({device.name, device.description});
    return bridges;
}

FT_STATUS LinuxTtyDriver::close(FT_HANDLE handle) {
    std::shared_ptr<TtyPort> closing;  // the port closes after the lock is released
    std::lock_guard lock(mutex_);
    auto it = handles_.find(key(handle));
    if (it == handles_.end()) return FT_INVALID_HANDLE;
    closing = std::move(it->second);
    handles_.erase(it);
    return FT_OK;
}

std::shared_ptr<TtyPort> LinuxTtyDriver::port(FT_HANDLE handle) const {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(key(handle));
    return it == handles_.end() ? nullptr : it->second;
}

#define TORVIK_WITH_PORT(call)              \
    do {                                    \
        const auto tty = port(handle);      \
        if (!tty) return FT_INVALID_HANDLE; \
        return tty->call;                   \
    } while (0)

FT_STATUS LinuxTtyDriver::reset(FT_HANDLE handle) {
    TORVIK_WITH_PORT(reset());
}

FT_STATUS LinuxTtyDriver::setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                 UCHAR parity) {
    TORVIK_WITH_PORT(setDataCharacteristics(wordLength, stopBits, parity));
}

FT_STATUS LinuxTtyDriver::setBaudRate(FT_HANDLE handle, ULONG baud) {
    TORVIK_WITH_PORT(setBaudRate(baud));
}

FT_STATUS LinuxTtyDriver::setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    TORVIK_WITH_PORT(setTimeouts(readMs, writeMs));
}

FT_STATUS LinuxTtyDriver::purge(FT_HANDLE handle, ULONG mask) {
    TORVIK_WITH_PORT(purge(mask));
}

FT_STATUS LinuxTtyDriver::queueStatus(FT_HANDLE handle, DWORD* rxBytes) {
    TORVIK_WITH_PORT(queueStatus(rxBytes));
}

FT_STATUS LinuxTtyDriver::read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) {
    TORVIK_WITH_PORT(read(buf, count, got));
}

FT_STATUS LinuxTtyDriver::write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) {
    TORVIK_WITH_PORT(write(buf, count, written));
}

#undef TORVIK_WITH_PORT
