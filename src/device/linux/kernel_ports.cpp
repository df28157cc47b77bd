#include "device/linux/kernel_ports.h"

#include "device/linux/bridge_description.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <tuple>

namespace {

struct PortName {
    int kind;  // 0 ttyUSB, 1 ttyACM
    unsigned long number;
    std::string name;
};

bool parsePortName(const std::string& name, PortName* out) {
    static const char* const kPrefixes[] = {"ttyUSB", "ttyACM"};
    for (int kind = 0; kind < 2; ++kind) {
        const std::string prefix = kPrefixes[kind];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        *out = {kind, std::stoul(digits), name};
        return true;
    }
    return false;
}

// Small sysfs attribute files only; a read error counts as an absent file.
bool readSmallFile(const std::string& path, std::string* text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    char buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    if (n < 0) return false;
    text->assign(buf, static_cast<std::size_t>(n));
    return true;
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Walks up from the port's device until a directory holds idVendor: that is the
// USB device, returned as a canonical path. The walk never leaves the sysfs tree.
std::string usbDeviceOf(const std::string& ttyDir, const std::string& root) {
    std::string dir = canonical(ttyDir + "/device");
    if (root.empty() || dir.empty()) return {};
    while (dir.size() > root.size() && dir.compare(0, root.size() + 1, root + "/") == 0) {
        if (exists(dir + "/idVendor")) return dir;
        dir.resize(dir.rfind('/'));
    }
    return {};
}

// The device's product string as a description; false when it has none.
bool productOf(const std::string& usbDevice, std::string* description) {
    std::string product;
    if (usbDevice.empty() || !readSmallFile(usbDevice + "/product", &product)) return false;
    *description = bridgedescription::fromProductString(product);
    return true;
}

std::vector<PortName> portNames(const std::string& classDir) {
    DIR* dir = ::opendir(classDir.c_str());
    if (!dir) return {};
    std::vector<PortName> names;
    while (const dirent* entry = ::readdir(dir)) {
        PortName port;
        if (parsePortName(entry->d_name, &port)) names.push_back(port);
    }
    ::closedir(dir);
    return names;
}

}  // namespace

std::vector<PortlessUsbDevice> listPortlessUsbDevices(const std::string& sysfsRoot) {
    if (sysfsRoot.empty()) return {};
    const std::string root = canonical(sysfsRoot);
    std::vector<std::string> withPorts;
    for (const PortName& port : portNames(sysfsRoot + "/class/tty"))
        withPorts.push_back(usbDeviceOf(sysfsRoot + "/class/tty/" + port.name, root));

    const std::string busDir = sysfsRoot + "/bus/usb/devices";
    DIR* dir = ::opendir(busDir.c_str());
    if (!dir) return {};
    std::vector<PortlessUsbDevice> portless;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // Interfaces ("1-1.4:1.0") are no devices; "." and ".." neither.
        if (name.empty() || name.front() == '.' || name.find(':') != std::string::npos) continue;
        const std::string device = canonical(busDir + "/" + name);
        if (device.empty() || !exists(device + "/idVendor")) continue;
        if (std::find(withPorts.begin(), withPorts.end(), device) != withPorts.end()) continue;
        std::string description;
        if (productOf(device, &description)) portless.push_back({name, description});
    }
    ::closedir(dir);
    std::sort(portless.begin(), portless.end(),
              [](const PortlessUsbDevice& a, const PortlessUsbDevice& b) { return a.name < b.name; });
    return portless;
}

std::vector<BridgePort> listKernelPorts(const std::string& sysfsRoot, const std::string& devRoot) {
    if (sysfsRoot.empty()) return {};
    const std::string classDir = sysfsRoot + "/class/tty";
    const std::string root = canonical(sysfsRoot);
    std::vector<PortName> names = portNames(classDir);
    std::sort(names.begin(), names.end(), [](const PortName& a, const PortName& b) {
        return std::tie(a.kind, a.number, a.name) < std::tie(b.kind, b.number, b.name);
    });

    std::vector<BridgePort> ports;
    ports.reserve(names.size());
    for (const PortName& port : names) {
        std::string description;
        productOf(usbDeviceOf(classDir + "/" + port.name, root), &description);
        ports.push_back({description, devRoot + "/" + port.name, false});
    }
    return ports;
}
