#pragma once
// The per-user bridge directory, where torvik-sim publishes its pseudo-terminals
// as virtual bridges: one symbolic link per bridge, named by the bridge's
// description and leading to the pty's slave in /dev/pts. Next to it a hidden
// lock file ".<description>.lock" stays locked for as long as the publisher
// lives, so an entry left behind by a killed publisher is never taken for a
// bridge (its pts number may by then belong to somebody's terminal).

#include "device/linux/bridge_port.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace bridgedirectory {

inline constexpr const char* kPtsDir = "/dev/pts";

// torvik-bridges in the user's meeting folder (see user_runtime_folder.h); empty,
// with the reason in `why`, when the user has no such folder.
std::string defaultPath(std::string* why = nullptr);

// The lock file that marks the entry `description` as alive.
std::string lockPath(const std::string& directory, const std::string& description);

// Whether `directory` may be trusted: a real directory owned by this user and
// writable by nobody else. `why` receives the reason for a refusal.
bool isTrusted(const std::string& directory, std::string* why);

// Whether `st` describes a pseudo-terminal slave owned by this user.
bool isOwnPtySlave(const struct stat& st);

// Whether `target` names a pty slave as /dev/pts/<number>, without "..", so
// nothing outside /dev/pts is ever followed.
bool isPtsPath(const std::string& target);

// The live, acceptable bridges of `directory`, sorted by description. Every
// refused directory or entry adds a sentence to `refusals` (when given).
std::vector<BridgePort> list(const std::string& directory, std::vector<std::string>* refusals = nullptr);

}  // namespace bridgedirectory
