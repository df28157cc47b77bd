#include "device/drivers/kernel_ports.h"

#include "device/drivers/bridge_description.h"

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
// USB device. The walk never leaves the sysfs tree.
std::string productOf(const std::string& ttyDir, const std::string& sysfsRoot) {
    const std::string root = canonical(sysfsRoot);
    std::string dir = canonical(ttyDir + "/device");
    if (root.empty() || dir.empty()) return {};
    while (dir.size() > root.size() && dir.compare(0, root.size() + 1, root + "/") == 0) {
        if (exists(dir + "/idVendor")) {
            std::string product;
            if (!readSmallFile(dir + "/product", &product)) return {};
            return bridgedescription::fromProductString(product);
        }
        dir.resize(dir.rfind('/'));
    }
    return {};
}

}  // namespace

std::vector<BridgePort> listKernelPorts(const std::string& sysfsRoot, const std::string& devRoot) {
    if (sysfsRoot.empty()) return {};
    const std::string classDir = sysfsRoot + "/class/tty";
    DIR* dir = ::opendir(classDir.c_str());
    if (!dir) return {};
    std::vector<PortName> names;
    while (const dirent* entry = ::readdir(dir)) {
        PortName port;
        if (parsePortName(entry->d_name, &port)) names.push_back(port);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const PortName& a, const PortName& b) {
        return std::tie(a.kind, a.number, a.name) < std::tie(b.kind, b.number, b.name);
    });

    std::vector<BridgePort> ports;
    ports.reserve(names.size());
    for (const PortName& port : names) {
        ports.push_back({productOf(classDir + "/" + port.name, sysfsRoot), devRoot + "/" + port.name, false});
    }
    return ports;
}
