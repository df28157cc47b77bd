#include "device/linux/bridge_publication.h"

#include "device/linux/bridge_description.h"
#include "device/linux/bridge_directory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

BridgePublication::~BridgePublication() {
    withdraw();
}

bool BridgePublication::publish(const std::string& directory, const std::string& description,
                                const std::string& ptyPath, std::string* error) {
    withdraw();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        withdraw();
        return false;
    };
    if (!bridgedescription::isValidBridgeName(description)) {
        return fail(
            "the description must be 1 to 63 printable ASCII characters, without '/' and not "
            "starting with '.'");
    }
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return fail("cannot create " + directory + ": " + std::strerror(errno));
    }
    std::string why;
    if (!bridgedirectory::isTrusted(directory, &why)) return fail(why);

    const std::string lock = bridgedirectory::lockPath(directory, description);
    lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) return fail("cannot create " + lock + ": " + std::strerror(errno));
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        return fail("another simulator already publishes a bridge described as \"" + description + "\"");
    }
    lockPath_ = lock;

    // Link under a private name, then rename: the entry appears whole, and a
    // stale one is replaced in the same step.
    const std::string entry = directory + "/" + description;
    const std::string temporary = directory + "/.publishing-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(ptyPath.c_str(), temporary.c_str()) != 0) {
        return fail("cannot create " + temporary + ": " + std::strerror(errno));
    }
    if (::rename(temporary.c_str(), entry.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return fail("cannot publish " + entry + ": " + reason);
    }
    entryPath_ = entry;
    return true;
}

void BridgePublication::withdraw() {
    if (!entryPath_.empty()) ::unlink(entryPath_.c_str());
    // Unlinked while still locked, so no other publisher can take it over half-way.
    if (!lockPath_.empty()) ::unlink(lockPath_.c_str());
    if (lockFd_ >= 0) ::close(lockFd_);
    entryPath_.clear();
    lockPath_.clear();
    lockFd_ = -1;
}
