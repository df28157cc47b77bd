// Virtual bridges: what the driver accepts from the per-user bridge directory,
// how publications behave, and that unplug cycles leak nothing.
#include "device/linux/bridge_directory.h"
#include "device/linux/bridge_publication.h"
#include "device/linux/linux_tty_driver.h"
#include "device/linux/pty_bridge.h"
#include "driver_test_support.h"
#include "fake_sysfs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using drivertest::descriptions;
using drivertest::readAvailable;

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534;

// From here on poll() and ppoll() fail with EPERM in this process, so that a
// call which polls shows itself by failing.
bool forbidPolling() {
#ifdef SYS_poll
    constexpr unsigned kPoll = SYS_poll;
#else
    constexpr unsigned kPoll = SYS_ppoll;  // this system has no poll() call of its own
#endif
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kPoll, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_ppoll, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

class VirtualBridges : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(home_.path().empty());
        ASSERT_EQ(::mkdir(dir_.c_str(), 0700), 0);
    }
    LinuxTtyPaths paths() const { return {"", "", dir_}; }

    // A pty published the way torvik-sim does it.
    void publish(PtyBridge& pty, BridgePublication& publication, const std::string& description) {
        ASSERT_TRUE(pty.open(nullptr));
        std::string error;
        ASSERT_TRUE(publication.publish(dir_, description, pty.slavePath(), &error)) << error;
    }

    // An entry written by hand, with a live lock next to it so that only the
    // entry itself decides.
    void addLink(const std::string& name, const std::string& target) {
        ASSERT_EQ(::symlink(target.c_str(), (dir_ + "/" + name).c_str()), 0) << name;
        holdLock(name);
    }
    void holdLock(const std::string& name) {
        const int fd =
            ::open(bridgedirectory::lockPath(dir_, name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        lockFds_.push_back(fd);
    }
    void TearDown() override {
        for (const int fd : lockFds_) ::close(fd);
    }

    TempDir home_;
    const std::string dir_ = home_ / "torvik-bridges";
    std::vector<int> lockFds_;
};

TEST_F(VirtualBridges, ListedAfterKernelPortsAndOpenedLikeThem) {
    FakeSysfs sys;
    PtyBridge kernelPty;
    ASSERT_TRUE(kernelPty.open(nullptr));
    sys.addPort("ttyUSB0", std::string("FT232R USB UART\n"), kernelPty.slavePath());
    PtyBridge b, a;
    BridgePublication pb, pa;
    publish(b, pb, "TORVIK ECU SIMULATOR B");
    publish(a, pa, "TORVIK ECU SIMULATOR A");

    LinuxTtyDriver driver(sys.paths(dir_));
    EXPECT_EQ(descriptions(driver), (std::vector<std::string>{"FT232R USB UART", "TORVIK ECU SIMULATOR A",
                                                              "TORVIK ECU SIMULATOR B"}));
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(driver.open("TORVIK ECU SIMULATOR B", &handle), FT_OK);
    DWORD written = 0;
    ASSERT_EQ(driver.write(handle, "MON1\r", 5, &written), FT_OK);
    EXPECT_EQ(readAvailable(b.masterFd(), 200), "MON1\r");
    EXPECT_EQ(readAvailable(a.masterFd(), 20), "");
    driver.close(handle);

    pb.withdraw();
    EXPECT_EQ(descriptions(driver), (std::vector<std::string>{"FT232R USB UART", "TORVIK ECU SIMULATOR A"}));
}

TEST_F(VirtualBridges, AnUntrustedDirectoryListsNothing) {
    PtyBridge pty;
    BridgePublication publication;
    publish(pty, publication, "TORVIK");
    LinuxTtyDriver driver(paths());
    ASSERT_EQ(descriptions(driver).size(), 1u);

    for (const mode_t mode : {0770, 0707, 0777}) {
        ASSERT_EQ(::chmod(dir_.c_str(), mode), 0);
        EXPECT_TRUE(descriptions(driver).empty()) << std::oct << mode;
    }
    ASSERT_EQ(::chmod(dir_.c_str(), 0700), 0);

    // A link to a good directory is not the directory.
    const std::string alias = home_ / "alias";
    ASSERT_EQ(::symlink(dir_.c_str(), alias.c_str()), 0);
    EXPECT_TRUE(descriptions(*std::make_unique<LinuxTtyDriver>(LinuxTtyPaths{"", "", alias})).empty());
    // Neither is a missing directory, quietly.
    EXPECT_TRUE(
        descriptions(*std::make_unique<LinuxTtyDriver>(LinuxTtyPaths{"", "", home_ / "none"})).empty());

    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir_.c_str(), kOtherUser, kOtherUser), 0);
        EXPECT_TRUE(descriptions(driver).empty()) << "a directory of another user";
        ASSERT_EQ(::chown(dir_.c_str(), 0, 0), 0);
    }
    EXPECT_EQ(descriptions(driver).size(), 1u);
}

TEST_F(VirtualBridges, RefusesEntriesThatAreNotOwnLivePtys) {
    PtyBridge good, stale;
    BridgePublication publication;
    publish(good, publication, "GOOD");
    ASSERT_TRUE(stale.open(nullptr));
    const std::string pts = good.slavePath();
    const std::string ptsNumber = pts.substr(pts.rfind('/') + 1);

    addLink("DANGLING", "/dev/pts/999999");
    addLink("REGULAR", (home_ / "file"));
    std::ofstream(home_ / "file") << "x";
    addLink("NULL", "/dev/null");
    addLink("PTMX", "/dev/pts/ptmx");
    addLink("RELATIVE", "../../../dev/pts/" + ptsNumber);
    addLink("DOTDOT", "/dev/pts/../pts/" + ptsNumber);
    addLink("TTY", "/dev/tty");
    addLink(std::string(64, 'L'), pts);  // longer than a description may be
    addLink("CTRL\x01", pts);            // a control character
    addLink("NONASCII\xC3\xA9", pts);
    std::ofstream(dir_ + "/PLAIN FILE") << pts;
    holdLock("PLAIN FILE");
    fs::create_directory(dir_ + "/A DIRECTORY");
    holdLock("A DIRECTORY");
    // A live-looking link whose publisher is gone: its pts number may be reused.
    ASSERT_EQ(::symlink(stale.slavePath().c_str(), (dir_ + "/STALE").c_str()), 0);
    if (::geteuid() == 0) {
        PtyBridge foreign;
        ASSERT_TRUE(foreign.open(nullptr));
        ASSERT_EQ(::chown(foreign.slavePath().c_str(), kOtherUser, kOtherUser), 0);
        addLink("FOREIGN", foreign.slavePath());
        LinuxTtyDriver driver(paths());
        EXPECT_EQ(descriptions(driver), std::vector<std::string>{"GOOD"});
    }

    LinuxTtyDriver driver(paths());
    EXPECT_EQ(descriptions(driver), std::vector<std::string>{"GOOD"});
    for (const char* refused : {"DANGLING", "REGULAR", "NULL", "PTMX", "RELATIVE", "DOTDOT", "STALE"}) {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(driver.open(refused, &handle), FT_DEVICE_NOT_FOUND) << refused;
    }
}

TEST_F(VirtualBridges, ALockFileThatIsAFifoIsNoLiveLockAndHangsNothing) {
    PtyBridge pty;
    ASSERT_TRUE(pty.open(nullptr));
    ASSERT_EQ(::symlink(pty.slavePath().c_str(), (dir_ + "/FIFO LOCK").c_str()), 0);
    ASSERT_EQ(::mkfifo(bridgedirectory::lockPath(dir_, "FIFO LOCK").c_str(), 0600), 0);
    ::alarm(10);  // a listing that waits for a writer ends the test here
    std::vector<std::string> refusals;
    EXPECT_TRUE(bridgedirectory::list(dir_, &refusals).empty());
    ::alarm(0);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].find("left behind"), std::string::npos) << refusals[0];
}

TEST_F(VirtualBridges, OneLivePublisherPerDescriptionAndStaleEntriesAreReplaced) {
    PtyBridge first, second;
    BridgePublication one, two;
    publish(first, one, "TORVIK");
    ASSERT_TRUE(second.open(nullptr));
    std::string error;
    EXPECT_FALSE(two.publish(dir_, "TORVIK", second.slavePath(), &error));
    EXPECT_NE(error.find("already"), std::string::npos) << error;
    EXPECT_FALSE(two.publish(dir_, ".hidden", second.slavePath(), &error));
    EXPECT_FALSE(two.publish(dir_, std::string(64, 'X'), second.slavePath(), &error));

    // The first publisher dies without withdrawing: only its lock goes.
    ::unlink(bridgedirectory::lockPath(dir_, "TORVIK").c_str());
    BridgePublication replacement;
    ASSERT_TRUE(replacement.publish(dir_, "TORVIK", second.slavePath(), &error)) << error;
    char target[64] = {};
    ASSERT_GT(::readlink((dir_ + "/TORVIK").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), second.slavePath());

    // A directory left writable by others is not published into.
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    BridgePublication refused;
    EXPECT_FALSE(refused.publish(dir_, "OTHER", first.slavePath(), &error));
    EXPECT_NE(error.find("writable"), std::string::npos) << error;
}

// The reader asks the queue every 10 ms for weeks: on an idle link that must
// be the one call, and an unplug must still fail the first query after it.
TEST_F(VirtualBridges, AnIdleQueryNeedsNoPollAndAnUnplugFailsTheNextOne) {
    EXPECT_EXIT(
        {
            PtyBridge pty;
            BridgePublication publication;
            std::string error;
            if (!pty.open(&error) ||
                !publication.publish(dir_, "TORVIK ECU SIMULATOR", pty.slavePath(), &error))
                std::_Exit(2);
            LinuxTtyDriver driver(paths());
            FT_HANDLE handle = nullptr;
            if (driver.open("TORVIK ECU SIMULATOR", &handle) != FT_OK) std::_Exit(3);
            if (!forbidPolling()) std::_Exit(4);
            DWORD queued = 1;
            for (int poll = 0; poll < 50; ++poll)
                if (driver.queueStatus(handle, &queued) != FT_OK || queued != 0) std::_Exit(5);
            publication.withdraw();
            pty.close();
            std::_Exit(driver.queueStatus(handle, &queued) == FT_IO_ERROR ? 0 : 6);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(VirtualBridges, HundredUnplugCyclesLeaveNoDescriptorBehind) {
    LinuxTtyDriver driver(paths());
    const int before = drivertest::openFileDescriptorCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        PtyBridge pty;
        BridgePublication publication;
        publish(pty, publication, "TORVIK ECU SIMULATOR");
        ASSERT_EQ(descriptions(driver), std::vector<std::string>{"TORVIK ECU SIMULATOR"}) << cycle;
        FT_HANDLE handle = nullptr;
        ASSERT_EQ(driver.open("TORVIK ECU SIMULATOR", &handle), FT_OK) << cycle;
        DWORD queued = 0;
        ASSERT_EQ(driver.queueStatus(handle, &queued), FT_OK);

        publication.withdraw();  // the simulator ends: an unplug
        pty.close();
        ASSERT_EQ(drivertest::statusAfterHangUp(driver, handle), FT_IO_ERROR) << cycle;
        ASSERT_TRUE(descriptions(driver).empty()) << cycle;
        ASSERT_EQ(driver.close(handle), FT_OK);  // as the program does before its next open
    }
    EXPECT_EQ(drivertest::openFileDescriptorCount(), before);
    EXPECT_EQ(driver.openHandleCount(), 0);
}

}  // namespace
