#pragma once
// The folder where all copies of this user's programs meet: the single-instance
// guard's record (torvik-master/) and the simulator's bridges (torvik-bridges/)
// live in it. It is derived from the user alone, never from the session's
// environment, so that a copy started from an ssh or su session without
// XDG_RUNTIME_DIR meets the copy the desktop started, and no other user can
// make the folder first:
//   1. /run/user/<uid>, the runtime folder the log-in manager makes, when it is
//      a real folder of this user that only this user may enter and that can
//      be written (not on a read-only mount);
//   2. otherwise .cache/torvik-<host> in the user's home folder (the home of
//      the user's account entry; HOME only when the account has none), made
//      on first use for this user alone. The host's name keeps machines that
//      share a home folder apart: a guard or a pty is of one machine only.
// TORVIK_RUNTIME_DIR, when it names an absolute path, is used as it stands: the
// tests give every run a meeting place of its own with it.

#include <sys/types.h>

#include <string>

namespace userfolder {

// What the choice is made from; the tests describe made-up machines with it.
struct Sources {
    uid_t uid = 0;
    std::string runtimeRoot = "/run/user";  // parent of the per-user runtime folders
    std::string home;                       // the user's home folder
    std::string host;                       // this machine's name
    std::string override;                   // TORVIK_RUNTIME_DIR, or empty
};

// The sources of this process: its effective user, that user's home, this host.
Sources systemSources();

// The meeting folder for `sources`, made when it is the home fallback and
// missing. Throws std::system_error with a sentence naming the folder and the
// reason when no folder fit for this user alone can be had.
std::string meetingFolder(const Sources& sources);
// The same for this process.
std::string meetingFolder();

// Whether `path` is a real folder (no link) owned by `uid`, closed to everybody
// else and open to its owner. `why` receives the reason for a refusal.
bool isPrivateFolder(const std::string& path, uid_t uid, std::string* why = nullptr);

}  // namespace userfolder
