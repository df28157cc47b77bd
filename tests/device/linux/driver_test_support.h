#pragma once
// Small helpers shared by the driver tests.

#include "device/ft_driver.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace drivertest {

inline std::vector<std::string> descriptions(FtDriver& driver) {
    DWORD n = 0;
    driver.count(&n);
    std::vector<std::string> all;
    for (DWORD i = 0; i < n; ++i) {
        char buf[FT_DESCRIPTION_SIZE];
        if (driver.description(i, buf) == FT_OK) all.emplace_back(buf);
    }
    return all;
}

// Pty input reaches the slave's queue through a kernel work item, not at once.
inline DWORD waitForQueue(FtDriver& driver, FT_HANDLE handle, DWORD atLeast, int timeoutMs = 2000) {
    DWORD n = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (driver.queueStatus(handle, &n) == FT_OK && n < atLeast &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return n;
}

// What the port answers once the far end has closed. Closing a pty's master
// hangs its slave up at once, unless something else on the machine holds the
// master for a moment (a look into /proc/<pid>/fd is enough); the last
// reference then hangs it up a little later.
inline FT_STATUS statusAfterHangUp(FtDriver& driver, FT_HANDLE handle, int timeoutMs = 2000) {
    DWORD n = 0;
    FT_STATUS status = FT_OK;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((status = driver.queueStatus(handle, &n)) == FT_OK && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return status;
}

// Everything readable on `fd` within `timeoutMs`.
std::string readAvailable(int fd, int timeoutMs);

inline int openFileDescriptorCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace drivertest
