#pragma once
// One listed bridge: its description and the device node that opens it.

#include <string>

struct BridgePort {
    std::string description;
    std::string devicePath;
    // Virtual bridges must still be one of the user's own pseudo-terminals when
    // opened; kernel ports are whatever tty the device node leads to.
    bool mustBeOwnPty = false;
};
