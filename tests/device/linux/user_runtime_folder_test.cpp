// The guard's and the bridges' meeting folder comes from the user, not from the
// session: copies with and without XDG_RUNTIME_DIR meet, a runtime folder that
// cannot be used gives way to the home folder, and a folder another user made
// first is refused with its reason.
#include "device/linux/user_runtime_folder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <system_error>

namespace {

constexpr uid_t kNobody = 65534;

// Sets or clears one variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class MeetingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(root_.path().empty());
        ASSERT_EQ(::mkdir((root_ / "run").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(runRoot().c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(home().c_str(), 0700), 0);
        sources_ = {
            .uid = ::geteuid(), .runtimeRoot = runRoot(), .home = home(), .host = "bench7", .override = {}};
    }
    std::string runRoot() const { return root_ / "run/user"; }
    std::string runtime() const { return runRoot() + "/" + std::to_string(::geteuid()); }
    std::string home() const { return root_ / "home"; }
    std::string homeFolder() const { return home() + "/.cache/torvik-bench7"; }
    static mode_t modeOf(const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
    std::string refusal() const {
        try {
            return "chose " + userfolder::meetingFolder(sources_);
        } catch (const std::system_error& error) {
            return error.what();
        }
    }

    TempDir root_;
    userfolder::Sources sources_;
};

TEST_F(MeetingFolder, IsTheSameWithAndWithoutXdgRuntimeDir) {
    ASSERT_EQ(::mkdir(runtime().c_str(), 0700), 0);
    const std::string elsewhere = root_ / "session-runtime";
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    std::string with, without;
    userfolder::Sources systemWith, systemWithout;
    {
        ScopedVariable set("XDG_RUNTIME_DIR", elsewhere.c_str());
        with = userfolder::meetingFolder(sources_);
        systemWith = userfolder::systemSources();
    }
    {
        ScopedVariable unset("XDG_RUNTIME_DIR", nullptr);
        without = userfolder::meetingFolder(sources_);
        systemWithout = userfolder::systemSources();
    }
    EXPECT_EQ(with, runtime());
    EXPECT_EQ(without, runtime());
    EXPECT_EQ(systemWith.home, systemWithout.home);
    EXPECT_EQ(systemWith.runtimeRoot, "/run/user");
    EXPECT_EQ(systemWith.override, systemWithout.override);

    // Without a runtime folder both meet in the home folder, made for the user alone.
    ASSERT_EQ(::rmdir(runtime().c_str()), 0);
    {
        ScopedVariable set("XDG_RUNTIME_DIR", elsewhere.c_str());
        EXPECT_EQ(userfolder::meetingFolder(sources_), homeFolder());
    }
    ScopedVariable unset("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(userfolder::meetingFolder(sources_), homeFolder());
    EXPECT_EQ(modeOf(homeFolder()), 0700u);

    sources_.override = elsewhere;  // the tests' own meeting place
    EXPECT_EQ(userfolder::meetingFolder(sources_), elsewhere);
}

// Read-only, open to others, a link, or not the user's: the home folder instead.
TEST_F(MeetingFolder, AnUnusableRuntimeFolderGivesWayToTheHomeFolder) {
    const std::string target = root_ / "target";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    struct Case {
        const char* what;
        mode_t mode;
        bool link;
        bool otherOwner;
    };
    for (const Case& c : {Case{"read-only", 0500, false, false}, Case{"open to others", 0777, false, false},
                          Case{"a link", 0700, true, false}, Case{"another user's", 0700, false, true}}) {
        if (c.otherOwner && ::geteuid() != 0) continue;  // only root can give a folder away
        if (c.link) {
            ASSERT_EQ(::symlink(target.c_str(), runtime().c_str()), 0);
        } else {
            ASSERT_EQ(::mkdir(runtime().c_str(), 0700), 0);
            ASSERT_EQ(::chmod(runtime().c_str(), c.mode), 0);
            if (c.otherOwner) {
                ASSERT_EQ(::chown(runtime().c_str(), kNobody, kNobody), 0);
            }
        }
        EXPECT_EQ(refusal(), "chose " + homeFolder()) << c.what;
        ASSERT_EQ(c.link ? ::unlink(runtime().c_str()) : ::rmdir(runtime().c_str()), 0);
    }
}

// Another local user made the home fallback first (only root can stage that):
// it is refused, with the reason, never used.
TEST_F(MeetingFolder, AFolderAnotherUserMadeFirstIsRefused) {
    ASSERT_EQ(::mkdir((home() + "/.cache").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(homeFolder().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(homeFolder().c_str(), 0777), 0);
    EXPECT_EQ(refusal(), homeFolder() + " is open to other users: Permission denied");
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    ASSERT_EQ(::chmod(homeFolder().c_str(), 0700), 0);
    ASSERT_EQ(::chown(homeFolder().c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(refusal(), homeFolder() + " belongs to another user (uid 65534): Permission denied");
}

}  // namespace
