#pragma once
// The kernel's USB-serial ports: /sys/class/tty/ttyUSB* first, then ttyACM*,
// each kind in the order of its number. A port's description is its USB
// device's product string (empty when the device has none).

#include "device/linux/bridge_port.h"

#include <string>
#include <vector>

// `sysfsRoot` stands for /sys and `devRoot` for /dev, so tests can run the
// listing against a tree of their own.
std::vector<BridgePort> listKernelPorts(const std::string& sysfsRoot, const std::string& devRoot);

// USB devices with a product string that have no port in the listing above:
// the system made no tty under any of their interfaces. Each as its name under
// bus/usb/devices ("1-1.4") and its description.
struct PortlessUsbDevice {
    std::string name;
    std::string description;
};
std::vector<PortlessUsbDevice> listPortlessUsbDevices(const std::string& sysfsRoot);
