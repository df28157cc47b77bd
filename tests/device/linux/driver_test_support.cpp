#include "driver_test_support.h"

#include <poll.h>

namespace drivertest {

std::string readAvailable(int fd, int timeoutMs) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0) <= 0) break;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace drivertest
