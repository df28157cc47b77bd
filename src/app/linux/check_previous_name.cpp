// The guard's names on Linux: the executable's path from /proc, and the object
// named after it with its '/' removed, kept short enough for a file name.

#include "app/check_previous.h"

#include <unistd.h>

#include <limits.h>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace CheckPrevious {
namespace {

// A file name holds at most 255 bytes; the wake channel adds a suffix.
constexpr std::size_t kLongestName = 240;
constexpr std::size_t kHashLength = 16;

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

std::string ObjectNameFor(const std::string& executablePath) {
    std::string name;
    for (char c : executablePath) {
        if (c != '/') name.push_back(c);
    }
    if (name.size() <= kLongestName) return name;
    char hash[kHashLength + 1];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    return name.substr(0, kLongestName - kHashLength - 1) + "-" + hash;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        throw std::system_error(errno ? errno : ENAMETOOLONG, std::generic_category(),
                                "Cannot find the program's own path");
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace CheckPrevious
