#pragma once
// The program's side of a link to torvik-sim, through the Linux tty driver and
// configured as the program configures it after every open.

#include "device/linux/linux_tty_driver.h"

#include <chrono>
#include <functional>
#include <string>

class SimLink {
public:
    // Lists the bridges of `bridgeDirectory` (no kernel ports) and opens `description`.
    SimLink(const std::string& bridgeDirectory, const std::string& description);
    ~SimLink();

    bool isOpen() const { return handle_ != nullptr; }
    FT_STATUS openStatus() const { return openStatus_; }
    LinuxTtyDriver& driver() { return driver_; }
    FT_HANDLE handle() const { return handle_; }

    // Writes the bytes as they are.
    bool send(const std::string& bytes);
    // Collects what arrives for `ms`, the way the reader drains the queue.
    std::string receiveFor(int ms);
    // Collects until `done(received)` holds or `ms` pass; everything received.
    std::string receiveUntil(const std::function<bool(const std::string&)>& done, int ms = 3000);
    // Collects until `text` has arrived; everything received.
    std::string receiveUntilContains(const std::string& text, int ms = 3000);
    // The status of the last failing driver call while receiving (FT_OK when none).
    FT_STATUS receiveStatus() const { return receiveStatus_; }

private:
    LinuxTtyDriver driver_;
    FT_HANDLE handle_ = nullptr;
    FT_STATUS openStatus_ = FT_OK;
    FT_STATUS receiveStatus_ = FT_OK;
};
