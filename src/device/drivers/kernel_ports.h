#pragma once
// The kernel's USB-serial ports: /sys/class/tty/ttyUSB* first, then ttyACM*,
// each kind in the order of its number. A port's description is its USB
// device's product string (empty when the device has none).

#include "device/drivers/bridge_port.h"

#include <string>
#include <vector>

// `sysfsRoot` stands for /sys and `devRoot` for /dev, so tests can run the
// listing against a tree of their own.
std::vector<BridgePort> listKernelPorts(const std::string& sysfsRoot, const std::string& devRoot);
