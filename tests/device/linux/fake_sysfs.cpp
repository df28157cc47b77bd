#include "fake_sysfs.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

FakeSysfs::FakeSysfs() {
    fs::create_directories(sysfsRoot() + "/class/tty");
    fs::create_directories(sysfsRoot() + "/bus/usb/devices");
    fs::create_directories(devRoot());
}

void FakeSysfs::addPort(const std::string& name, const std::optional<std::string>& product,
                        const std::string& devicePath) {
    // devices/usb1/1-N is the USB device, 1-N:1.0 its interface, the port below it.
    const std::string usbDevice = addUsbDevice(product);
    const std::string port = usbDevice + "/1-x:1.0/" + name;
    fs::create_directories(sysfsRoot() + "/" + port + "/tty/" + name);
    // As in the real tree: class/tty/<name> -> the tty, whose "device" -> the port.
    fs::create_directory_symlink("../../" + port + "/tty/" + name, sysfsRoot() + "/class/tty/" + name);
    fs::create_directory_symlink("../../../" + name, sysfsRoot() + "/" + port + "/tty/" + name + "/device");
    fs::create_symlink(devicePath, devRoot() + "/" + name);
}

void FakeSysfs::addOtherTty(const std::string& name) {
    fs::create_directories(sysfsRoot() + "/devices/virtual/tty/" + name);
    fs::create_directory_symlink("../../devices/virtual/tty/" + name, sysfsRoot() + "/class/tty/" + name);
}

std::string FakeSysfs::addUsbDevice(const std::optional<std::string>& product) {
    const std::string name = "1-" + std::to_string(nextDevice_++);
    const std::string usbDevice = "devices/usb1/" + name;
    fs::create_directories(sysfsRoot() + "/" + usbDevice + "/" + name + ":1.0");
    std::ofstream(sysfsRoot() + "/" + usbDevice + "/idVendor") << "0403\n";
    if (product) std::ofstream(sysfsRoot() + "/" + usbDevice + "/product", std::ios::binary) << *product;
    fs::create_directory_symlink("../../../" + usbDevice, sysfsRoot() + "/bus/usb/devices/" + name);
    return usbDevice;
}

std::string FakeSysfs::addDeviceWithoutPort(const std::string& product) {
    const std::string usbDevice = addUsbDevice(product);
    return usbDevice.substr(usbDevice.rfind('/') + 1);
}
