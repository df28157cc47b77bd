#pragma once
// A fake /sys and /dev for the kernel-port listing: each port gets the sysfs
// shape of a USB-serial tty (class/tty/<name>/device leading into a USB device
// directory with idVendor and product) and a device node that is a link to a
// pseudo-terminal.

#include "device/linux/linux_tty_driver.h"
#include "support/temp_dir.h"

#include <optional>
#include <string>

class FakeSysfs {
public:
    FakeSysfs();

    // Adds tty `name` (e.g. "ttyUSB0") of a USB device with `product` (none when
    // empty optional), its device node leading to `devicePath`.
    void addPort(const std::string& name, const std::optional<std::string>& product,
                 const std::string& devicePath);
    // A USB device with `product` whose interface has no tty: another driver
    // took it, or none is loaded. Returns its name under bus/usb/devices.
    std::string addDeviceWithoutPort(const std::string& product);
    // A tty entry that is no USB-serial port at all, to be skipped.
    void addOtherTty(const std::string& name);

    std::string sysfsRoot() const { return root_ / "sys"; }
    std::string devRoot() const { return root_ / "dev"; }
    const std::string& root() const { return root_.path(); }
    // Kernel ports only, unless a bridge directory is given.
    LinuxTtyPaths paths(const std::string& bridgeDirectory = {}) const {
        return {sysfsRoot(), devRoot(), bridgeDirectory};
    }

private:
    // devices/usb1/1-N with idVendor, `product` (when given) and the link to
    // it under bus/usb/devices; returns "devices/usb1/1-N".
    std::string addUsbDevice(const std::optional<std::string>& product);

    TempDir root_;
    int nextDevice_ = 1;
};
