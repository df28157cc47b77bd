// The bridge directory checks against a real directory built from the input:
// entries of every kind with any name, links to anywhere (one of them to a
// pseudo-terminal of ours), lock files locked, unlocked, missing or of the
// wrong kind. Only a valid name, linked to our pty, with a lock held, may be
// listed; every other entry is refused with one sentence.
#include "device/linux/bridge_description.h"
#include "device/linux/bridge_directory.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_temp_dir.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

std::string ourPtySlave;
int ptyMaster = -1;

// /dev/pts/ and one to nine digits, nothing else.
bool looksLikePtsPath(const std::string& path) {
    const std::string prefix = "/dev/pts/";
    if (path.rfind(prefix, 0) != 0) return false;
    const std::string digits = path.substr(prefix.size());
    return !digits.empty() && digits.size() <= 9 &&
           digits.find_first_not_of("0123456789") == std::string::npos;
}

// Our own pseudo-terminal slaves (the one opened here, maybe our terminal too).
bool isOurPty(const std::string& path) {
    struct stat st {};
    return looksLikePtsPath(path) && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
           st.st_uid == ::geteuid() && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

std::string pickName(FuzzedDataProvider& in) {
    static const char* const kNames[] = {"TORVIK ECU SIMULATOR",
                                         "A",
                                         ".hidden",
                                         "x/y",
                                         "  ",
                                         "TORVIK ECU SIMULATOR WITH A DESCRIPTION OF SIXTY-FOUR BYTES XXXX"};
    const std::uint8_t selector = in.ConsumeIntegral<std::uint8_t>();
    if (selector < 100) return kNames[selector % std::size(kNames)];
    return in.ConsumeRandomLengthString(80);
}

std::string pickTarget(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return ourPtySlave;
        case 1:
            return "/dev/pts/" + std::to_string(in.ConsumeIntegral<std::uint32_t>());
        case 2:
            return ourPtySlave + std::string(in.ConsumeIntegralInRange(0, 300), '0');
        case 3:
            return "/dev/pts/../pts/" + ourPtySlave.substr(9);
        default:
            return in.ConsumeRandomLengthString(300);
    }
}

enum class Lock { None, Held, Unheld, Directory, Link, Fifo };

struct Entry {
    bool isLink = false;
    std::string target;
    Lock lock = Lock::None;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ptyMaster < 0 || ::grantpt(ptyMaster) != 0 || ::unlockpt(ptyMaster) != 0) std::abort();
    ourPtySlave = ::ptsname(ptyMaster);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);

    // Link targets alone: only plain /dev/pts/<number> paths are followed.
    const std::string probe = in.ConsumeRandomLengthString(40);
    FUZZ_CHECK(bridgedirectory::isPtsPath(probe) == looksLikePtsPath(probe));

    const std::string dir = fuzzTempDir() + "/bridges";
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    const bool trusted = in.ConsumeBool() || in.ConsumeBool();
    FUZZ_CHECK(::mkdir(dir.c_str(), 0700) == 0);
    if (!trusted) ::chmod(dir.c_str(), 0770);

    std::map<std::string, Entry> entries;
    std::vector<int> lockFds;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        const std::string name = pickName(in);
        const int kind = in.ConsumeIntegralInRange(0, 4);
        const Lock lock = static_cast<Lock>(in.ConsumeIntegralInRange(0, 5));
        const std::string target = pickTarget(in);
        if (name.empty() || name == "." || name == ".." || name.size() > 255 ||
            name.find_first_of(std::string("/\0", 2)) != std::string::npos || entries.count(name))
            continue;
        const std::string path = dir + "/" + name;
        Entry entry;
        bool made = false;
        switch (kind) {
            case 0:
            case 1:
                if (target.empty() || target.find('\0') != std::string::npos) break;
                made = ::symlink(target.c_str(), path.c_str()) == 0;
                entry = {true, target, Lock::None};
                break;
            case 2: {
                const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
                made = fd >= 0;
                if (made) ::close(fd);
                break;
            }
            case 3:
                made = ::mkdir(path.c_str(), 0700) == 0;
                break;
            default:
                made = ::mkfifo(path.c_str(), 0600) == 0;
                break;
        }
        if (!made) continue;
        // The lock file, unless its name would be one of the entries (or too long).
        const std::string lockPath = bridgedirectory::lockPath(dir, name);
        if (name[0] != '.' && name.size() + 7 <= 255 && !entries.count("." + name + ".lock")) {
            entry.lock = lock;
            switch (lock) {
                case Lock::None:
                    break;
                case Lock::Held:
                case Lock::Unheld: {
                    const int fd = ::open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
                    FUZZ_CHECK(fd >= 0);
                    if (lock == Lock::Held) FUZZ_CHECK(::flock(fd, LOCK_EX) == 0);
                    lockFds.push_back(fd);
                    break;
                }
                case Lock::Directory:
                    FUZZ_CHECK(::mkdir(lockPath.c_str(), 0700) == 0);
                    break;
                case Lock::Link:
                    FUZZ_CHECK(::symlink(ourPtySlave.c_str(), lockPath.c_str()) == 0);
                    break;
                case Lock::Fifo:
                    FUZZ_CHECK(::mkfifo(lockPath.c_str(), 0600) == 0);
                    break;
            }
        }
        entries[name] = entry;
    }

    std::vector<std::string> refusals;
    const std::vector<BridgePort> bridges = bridgedirectory::list(dir, &refusals);
    for (const int fd : lockFds) ::close(fd);

    if (!trusted) {
        FUZZ_CHECK(bridges.empty() && refusals.size() == 1);
        return 0;
    }
    std::size_t visible = 0;
    for (const auto& item : entries) {
        const std::string& name = item.first;
        const Entry& entry = item.second;
        if (name[0] == '.') continue;  // the publisher's own files are never looked at
        ++visible;
        const bool wanted = bridgedescription::isValidBridgeName(name) && entry.isLink &&
                            isOurPty(entry.target) && entry.lock == Lock::Held;
        const bool listed = std::any_of(bridges.begin(), bridges.end(),
                                        [&](const BridgePort& b) { return b.description == name; });
        FUZZ_CHECK(wanted == listed);
    }
    for (const BridgePort& bridge : bridges) {
        FUZZ_CHECK(entries.at(bridge.description).target == bridge.devicePath && bridge.mustBeOwnPty);
    }
    FUZZ_CHECK(std::is_sorted(bridges.begin(), bridges.end(), [](const BridgePort& a, const BridgePort& b) {
        return a.description < b.description;
    }));
    FUZZ_CHECK(bridges.size() + refusals.size() == visible);
    return 0;
}
