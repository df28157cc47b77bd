#include "device/linux/bridge_directory.h"

#include "device/linux/bridge_description.h"
#include "device/linux/user_runtime_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace bridgedirectory {

namespace {

// Linux numbers the Unix98 pty slaves with majors 136 to 143.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

void refuse(std::vector<std::string>* refusals, std::string sentence) {
    if (refusals) refusals->push_back(std::move(sentence));
}

// The publisher holds an exclusive lock on the entry's lock file while it lives.
// O_NONBLOCK: a FIFO in the lock file's place must not stall the listing.
bool publisherAlive(const std::string& directory, const std::string& description) {
    const int fd =
        ::open(lockPath(directory, description).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // also drops our shared lock when we got it
    return held;
}

// A name as it may be shown on a terminal: other bytes as \xHH.
std::string shown(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text;
}

// Checks one entry; returns its pts path or an empty string with a refusal.
std::string acceptEntry(const std::string& directory, const std::string& name,
                        std::vector<std::string>* refusals) {
    const std::string entryPath = directory + "/" + name;
    const std::string entry = shown(entryPath);
    if (!bridgedescription::isValidBridgeName(name)) {
        refuse(refusals, "bridge entry " + entry + " does not name a valid description");
        return {};
    }
    struct stat st {};
    if (::lstat(entryPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        refuse(refusals, "bridge entry " + entry + " is not a symbolic link");
        return {};
    }
    char target[256];
    const ssize_t n = ::readlink(entryPath.c_str(), target, sizeof target - 1);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof target - 1)) {
        refuse(refusals, "bridge entry " + entry + " cannot be read");
        return {};
    }
    const std::string path(target, static_cast<std::size_t>(n));
    if (!isPtsPath(path)) {
        refuse(refusals, "bridge entry " + entry + " leads outside " + kPtsDir);
        return {};
    }
    if (::stat(path.c_str(), &st) != 0 || !isOwnPtySlave(st)) {
        refuse(refusals, "bridge entry " + entry + " does not lead to a pseudo-terminal of this user");
        return {};
    }
    if (!publisherAlive(directory, name)) {
        refuse(refusals, "bridge entry " + entry + " was left behind by a simulator that has ended");
        return {};
    }
    return path;
}

}  // namespace

std::string defaultPath(std::string* why) {
    try {
        return userfolder::meetingFolder() + "/torvik-bridges";
    } catch (const std::system_error& error) {
        if (why) *why = error.what();
        return {};
    }
}

std::string lockPath(const std::string& directory, const std::string& description) {
    return directory + "/." + description + ".lock";
}

bool isTrusted(const std::string& directory, std::string* why) {
    struct stat st {};
    if (::lstat(directory.c_str(), &st) != 0) {
        if (why) *why = "bridge directory " + directory + " does not exist";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (why) *why = "bridge directory " + directory + " is not a directory";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        if (why) *why = "bridge directory " + directory + " belongs to another user";
        return false;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        if (why) *why = "bridge directory " + directory + " is writable by other users";
        return false;
    }
    return true;
}

bool isOwnPtySlave(const struct stat& st) {
    const unsigned major = ::major(st.st_rdev);
    return S_ISCHR(st.st_mode) && major >= kPtySlaveMajorFirst && major <= kPtySlaveMajorLast &&
           st.st_uid == ::geteuid();
}

bool isPtsPath(const std::string& target) {
    const std::string prefix = std::string(kPtsDir) + "/";
    if (target.size() <= prefix.size() || target.size() > prefix.size() + 9) return false;
    if (target.compare(0, prefix.size(), prefix) != 0) return false;
    return std::all_of(target.begin() + static_cast<std::ptrdiff_t>(prefix.size()), target.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<BridgePort> list(const std::string& directory, std::vector<std::string>* refusals) {
    if (directory.empty()) return {};
    std::string why;
    if (!isTrusted(directory, &why)) {
        // A directory that was never made means simply no simulator has run.
        if (::access(directory.c_str(), F_OK) == 0) refuse(refusals, why);
        return {};
    }
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return {};
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    std::vector<BridgePort> bridges;
    for (const std::string& name : names) {
        const std::string path = acceptEntry(directory, name, refusals);
        if (!path.empty()) bridges.push_back({name, path, true});
    }
    return bridges;
}

}  // namespace bridgedirectory
