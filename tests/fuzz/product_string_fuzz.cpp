// The kernel-port listing over a small sysfs tree whose USB product file holds
// the input (or is missing), among tty entries with any names: ports come in
// the order ttyUSB then ttyACM by number, and a port's description is the
// product's first line in the code page, at most 63 bytes.
#include "device/linux/bridge_description.h"
#include "device/linux/kernel_ports.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_temp_dir.h"
#include "text/codepage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kUsbDevice = "devices/usb1/1-1";
const std::string kPort = kUsbDevice + "/1-1:1.0/ttyUSB0";

std::string sysfs() {
    return fuzzTempDir() + "/sys";
}

// What the listing should make of the product file's first bytes.
std::string expectedDescription(const std::string& product) {
    std::string text = product.substr(0, 512);  // sysfs attributes are short
    text = text.substr(0, text.find_first_of(std::string("\n\0", 2)));
    QByteArray encoded = codepage::encode(QString::fromUtf8(text.data(), qsizetype(text.size())));
    return encoded.left(bridgedescription::kMaxBytes).toStdString();
}

// ttyUSB<n> or ttyACM<n> with one to nine digits: kind and number, else kind -1.
std::pair<int, unsigned long> portKey(const std::string& name) {
    for (int kind = 0; kind < 2; ++kind) {
        const std::string prefix = kind == 0 ? "ttyUSB" : "ttyACM";
        if (name.rfind(prefix, 0) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return {-1, 0};
        return {kind, std::stoul(digits)};
    }
    return {-1, 0};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // As in the real tree: class/tty/<name> -> the tty, whose "device" -> the port.
    fs::create_directories(sysfs() + "/class/tty");
    fs::create_directories(sysfs() + "/" + kPort + "/tty/ttyUSB0");
    std::ofstream(sysfs() + "/" + kUsbDevice + "/idVendor") << "0403\n";
    fs::create_directory_symlink("../../" + kPort + "/tty/ttyUSB0", sysfs() + "/class/tty/ttyUSB0");
    fs::create_directory_symlink("../../../ttyUSB0", sysfs() + "/" + kPort + "/tty/ttyUSB0/device");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // Other tty entries: ports of the same device, or names of any kind.
    std::set<std::string> others;
    const int count = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) {
        std::string name = in.ConsumeBool() ? (in.ConsumeBool() ? "ttyACM" : "ttyUSB") : "";
        name += in.ConsumeRandomLengthString(12);
        if (name.empty() || name == "." || name == ".." || name == "ttyUSB0" ||
            name.find_first_of(std::string("/\0", 2)) != std::string::npos)
            continue;
        std::error_code error;
        fs::create_directory_symlink("../../" + kPort + "/tty/ttyUSB0", sysfs() + "/class/tty/" + name,
                                     error);
        if (!error) others.insert(name);
    }
    const bool haveProduct = in.ConsumeIntegralInRange(0, 9) != 0;
    const std::string product = in.ConsumeRemainingBytesAsString();
    const std::string productPath = sysfs() + "/" + kUsbDevice + "/product";
    if (haveProduct) {
        std::ofstream(productPath, std::ios::binary | std::ios::trunc) << product;
    } else {
        fs::remove(productPath);
    }

    const std::vector<BridgePort> ports = listKernelPorts(sysfs(), "/dev");
    for (const std::string& name : others) fs::remove(sysfs() + "/class/tty/" + name);

    std::vector<std::pair<std::pair<int, unsigned long>, std::string>> expected{{{0, 0}, "ttyUSB0"}};
    for (const std::string& name : others) {
        if (portKey(name).first >= 0) expected.push_back({portKey(name), name});
    }
    std::sort(expected.begin(), expected.end());
    FUZZ_CHECK(ports.size() == expected.size());
    const std::string description = haveProduct ? expectedDescription(product) : std::string();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        FUZZ_CHECK(ports[i].devicePath == "/dev/" + expected[i].second);
        FUZZ_CHECK(ports[i].description == description && !ports[i].mustBeOwnPty);
    }
    return 0;
}
