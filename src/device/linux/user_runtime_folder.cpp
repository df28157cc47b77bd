#include "device/linux/user_runtime_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace userfolder {

namespace {

[[noreturn]] void fail(int error, const std::string& sentence) {
    throw std::system_error(error, std::generic_category(), sentence);
}

// The runtime folder of the log-in manager, when this user may use it alone.
bool runtimeFolderFits(const std::string& path, uid_t uid) {
    // Writable by its mode, for root too, and not on a read-only mount.
    return isPrivateFolder(path, uid) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string homeOf(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? home : "";
}

// Makes `path` for this user alone when it is missing; an existing one must
// already be private.
void makePrivate(const std::string& path, uid_t uid) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) fail(errno, "Cannot create " + path);
    std::string why;
    if (!isPrivateFolder(path, uid, &why)) fail(EACCES, why);
}

}  // namespace

bool isPrivateFolder(const std::string& path, uid_t uid, std::string* why) {
    struct stat info {};
    std::string reason;
    if (::lstat(path.c_str(), &info) != 0)
        reason = path + " does not exist";
    else if (!S_ISDIR(info.st_mode))
        reason = path + " is not a folder";
    else if (info.st_uid != uid)
        reason = path + " belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    else if ((info.st_mode & 077) != 0)
        reason = path + " is open to other users";
    else if ((info.st_mode & S_IRWXU) != S_IRWXU)
        reason = path + " is closed to its owner";
    if (why) *why = reason;
    return reason.empty();
}

Sources systemSources() {
    Sources sources;
    sources.uid = ::geteuid();
    sources.home = homeOf(sources.uid);
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) == 0) sources.host = host;
    if (const char* override = std::getenv("TORVIK_RUNTIME_DIR"); override && override[0] == '/')
        sources.override = override;
    return sources;
}

std::string meetingFolder(const Sources& sources) {
    if (!sources.override.empty()) return sources.override;
    const std::string runtime = sources.runtimeRoot + "/" + std::to_string(sources.uid);
    if (runtimeFolderFits(runtime, sources.uid)) return runtime;

    if (sources.home.empty())
        fail(ENOENT, "No runtime folder and no home folder for uid " + std::to_string(sources.uid));
    const std::string cache = sources.home + "/.cache";
    if (::mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) fail(errno, "Cannot create " + cache);
    // A host name never holds '/', but keep a name that has one from leading elsewhere.
    std::string host = sources.host.empty() ? std::string("localhost") : sources.host;
    for (char& c : host)
        if (c == '/') c = '_';
    const std::string folder = cache + "/torvik-" + host;
    makePrivate(folder, sources.uid);
    return folder;
}

std::string meetingFolder() {
    return meetingFolder(systemSources());
}

}  // namespace userfolder
