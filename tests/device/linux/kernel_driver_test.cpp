// The Linux tty driver's kernel ports, run against a fake sysfs tree whose
// device nodes lead to pseudo-terminals.
#include "device/linux/linux_tty_driver.h"
#include "device/linux/pty_bridge.h"
#include "driver_test_support.h"
#include "fake_sysfs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>

using drivertest::descriptions;
using drivertest::readAvailable;
using drivertest::waitForQueue;

namespace {

struct OpenPty {
    PtyBridge pty;
    OpenPty() { EXPECT_TRUE(pty.open(nullptr)); }
};

// The driver's last refusal as "no permission PATH", "in use PATH" or "".
std::string refusal(const FtDriver& driver) {
    const FtDriver::OpenRefusal r = driver.lastOpenRefusal();
    switch (r.reason) {
        case FtDriver::OpenRefusal::Reason::NoPermission:
            return "no permission " + r.devicePath;
        case FtDriver::OpenRefusal::Reason::InUse:
            return "in use " + r.devicePath;
        case FtDriver::OpenRefusal::Reason::None:
            break;
    }
    return "";
}

FT_HANDLE openOrFail(LinuxTtyDriver& driver, const std::string& description) {
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver.open(description, &handle), FT_OK) << description;
    return handle;
}

// One port described "TORVIK" in a fake sysfs tree, already opened by the driver.
struct OpenedTorvikPort {
    FakeSysfs sys;
    OpenPty port;
    LinuxTtyDriver driver{listed(sys, port)};
    FT_HANDLE handle = openOrFail(driver, "TORVIK");

    static LinuxTtyPaths listed(FakeSysfs& sys, OpenPty& port) {
        sys.addPort("ttyUSB0", std::string("TORVIK\n"), port.pty.slavePath());
        return sys.paths();
    }
};

TEST(KernelPorts, ListsUsbThenAcmByNumberWithProductStrings) {
    FakeSysfs sys;
    sys.addPort("ttyACM0", std::string("Modem\n"), "/dev/null");
    sys.addPort("ttyUSB10", std::string("Ten\n"), "/dev/null");
    sys.addPort("ttyUSB2", std::string("TORVIK ECU SIMULATOR\n"), "/dev/null");
    sys.addPort("ttyUSB0", std::nullopt, "/dev/null");  // a device without a product string
    sys.addOtherTty("ttyS0");
    sys.addOtherTty("ttyUSBx");
    LinuxTtyDriver driver(sys.paths());
    EXPECT_EQ(descriptions(driver), (std::vector<std::string>{"", "TORVIK ECU SIMULATOR", "Ten", "Modem"}));
}

TEST(KernelPorts, ProductStringsBecomeBoundedCodePageText) {
    FakeSysfs sys;
    sys.addPort("ttyUSB0", std::string("Torv\xC3\xADk \xE2\x82\xAC \xE4\xB8\xAD\n"), "/dev/null");  // UTF-8
    sys.addPort("ttyUSB1", std::string(200, 'A') + "\n", "/dev/null");
    sys.addPort("ttyUSB2", std::string("Bad \xFF\xFE utf8\n"), "/dev/null");
    sys.addPort("ttyUSB3", std::string("two\nlines\n"), "/dev/null");
    LinuxTtyDriver driver(sys.paths());
    const auto listed = descriptions(driver);
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0], "Torv\xEDk \x80 ?");  // i-acute and the euro sign in 1252; no CJK there
    EXPECT_EQ(listed[1], std::string(63, 'A'));
    EXPECT_EQ(listed[2].substr(0, 4), "Bad ");
    EXPECT_EQ(listed[2].find('\xFF'), std::string::npos);
    EXPECT_EQ(listed[3], "two");
}

TEST(KernelPorts, OpensTheFirstExactMatchOnly) {
    FakeSysfs sys;
    OpenPty first, second;
    sys.addPort("ttyUSB0", std::string("TORVIK A\n"), first.pty.slavePath());
    sys.addPort("ttyUSB1", std::string("TORVIK A\n"), second.pty.slavePath());
    LinuxTtyDriver driver(sys.paths());

    FT_HANDLE handle = nullptr;
    for (const char* near : {"TORVIK", "torvik a", "TORVIK A ", ""}) {
        EXPECT_EQ(driver.open(near, &handle), FT_DEVICE_NOT_FOUND) << '"' << near << '"';
        EXPECT_EQ(handle, nullptr);
    }
    handle = openOrFail(driver, "TORVIK A");
    DWORD written = 0;
    ASSERT_EQ(driver.write(handle, "SP3\r", 4, &written), FT_OK);
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(readAvailable(first.pty.masterFd(), 200), "SP3\r");
    EXPECT_EQ(readAvailable(second.pty.masterFd(), 50), "");

    // The first is held by us now; a second program (or handle) cannot have it.
    FT_HANDLE again = nullptr;
    EXPECT_EQ(driver.open("TORVIK A", &again), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(refusal(driver), "in use " + sys.devRoot() + "/ttyUSB0")
        << "a held port is no permission refusal";
    EXPECT_EQ(driver.close(handle), FT_OK);
    again = openOrFail(driver, "TORVIK A");
    EXPECT_EQ(driver.close(again), FT_OK);
    EXPECT_EQ(driver.close(again), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.openHandleCount(), 0);
}

TEST(KernelPorts, APortThatVanishedOrIsNoTtyDoesNotOpen) {
    FakeSysfs sys;
    // A pty number beyond the kernel's pty limit never comes back, so no test
    // running beside this one can be handed that node while we look at it.
    const std::string vanished = "/dev/pts/999999";
    sys.addPort("ttyUSB0", std::string("GONE\n"), vanished);
    sys.addPort("ttyUSB1", std::string("NOT A TTY\n"), "/dev/null");
    sys.addPort("ttyUSB2", std::string("NO NODE\n"), sys.root() + "/nothing-here");
    LinuxTtyDriver driver(sys.paths());
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver.open("GONE", &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(driver.open("NOT A TTY", &handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(driver.open("NO NODE", &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(driver.openHandleCount(), 0);
}

TEST(KernelPorts, APortWithoutPermissionGivesDeviceNotOpened) {
    FakeSysfs sys;
    OpenPty port;
    sys.addPort("ttyUSB0", std::string("TORVIK\n"), port.pty.slavePath());
    // The refusal names the node the user would have to be given access to.
    const std::string refusedNode = sys.paths().devRoot + "/ttyUSB0";
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(port.pty.slavePath().c_str(), 0), 0);
        LinuxTtyDriver driver(sys.paths());
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(driver.open("TORVIK", &handle), FT_DEVICE_NOT_OPENED);
        EXPECT_EQ(refusal(driver), "no permission " + refusedNode);
        // A later open that fails otherwise is no refusal.
        EXPECT_EQ(driver.open("NOTHING", &handle), FT_DEVICE_NOT_FOUND);
        EXPECT_EQ(refusal(driver), "");
        return;
    }
    // Root opens anything: try it as an unprivileged user in a child process.
    std::filesystem::permissions(
        sys.root(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                        std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                        std::filesystem::perms::others_exec);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        LinuxTtyDriver driver(sys.paths());
        DWORD n = 0;
        driver.count(&n);
        FT_HANDLE handle = nullptr;
        if (n != 1) ::_exit(101);
        const FT_STATUS status = driver.open("TORVIK", &handle);
        ::_exit(refusal(driver) == "no permission " + refusedNode ? status : 102);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), FT_DEVICE_NOT_OPENED);
}

TEST(KernelPorts, ConfigurationReadsBackThroughTermios) {
    OpenedTorvikPort opened;
    OpenPty& port = opened.port;
    LinuxTtyDriver& driver = opened.driver;
    const FT_HANDLE handle = opened.handle;

    // What the program does after every open.
    EXPECT_EQ(driver.reset(handle), FT_OK);
    EXPECT_EQ(driver.setDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
    EXPECT_EQ(driver.setBaudRate(handle, 115200), FT_OK);
    EXPECT_EQ(driver.setTimeouts(handle, 100, 100), FT_OK);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_TX), FT_OK);

    auto settings = [&] {
        const int fd = ::open(port.pty.slavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        EXPECT_EQ(::tcgetattr(fd, &tio), 0);
        ::close(fd);
        return tio;
    };
    termios tio = settings();
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B115200));
    EXPECT_EQ(::cfgetispeed(&tio), speed_t(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);

    EXPECT_EQ(driver.setDataCharacteristics(handle, FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_EVEN), FT_OK);
    EXPECT_EQ(driver.setBaudRate(handle, 9600), FT_OK);
    tio = settings();
    // A pty keeps 8 data bits and no parity whatever it is told; stop bits and speed stick.
    EXPECT_EQ(tio.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B9600));

    EXPECT_EQ(driver.setBaudRate(handle, 12345), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(driver.setDataCharacteristics(handle, 9, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(driver.setDataCharacteristics(handle, FT_BITS_8, 1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(driver.setBaudRate(reinterpret_cast<FT_HANDLE>(9999), 115200), FT_INVALID_HANDLE);
    driver.close(handle);
}

TEST(KernelPorts, QueueCountsReadsAndPurges) {
    OpenedTorvikPort opened;
    OpenPty& port = opened.port;
    LinuxTtyDriver& driver = opened.driver;
    const FT_HANDLE handle = opened.handle;
    ASSERT_EQ(driver.setTimeouts(handle, 100, 100), FT_OK);

    DWORD queued = 0;
    ASSERT_EQ(driver.queueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);

    const std::string sent("OK\r\0\xFF\n12345", 11);  // every byte passes untranslated
    ASSERT_EQ(::write(port.pty.masterFd(), sent.data(), sent.size()), ssize_t(sent.size()));
    EXPECT_EQ(waitForQueue(driver, handle, 11), 11u);

    char buf[64] = {};
    DWORD got = 0;
    ASSERT_EQ(driver.read(handle, buf, 6, &got), FT_OK);
    EXPECT_EQ(std::string(buf, got), sent.substr(0, 6));
    ASSERT_EQ(driver.queueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 5u);

    // A read for more than waits returns what came once the time-out passes.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(driver.read(handle, buf, sizeof buf, &got), FT_OK);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(std::string(buf, got), sent.substr(6));
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));

    ASSERT_EQ(::write(port.pty.masterFd(), "junk", 4), 4);
    EXPECT_EQ(waitForQueue(driver, handle, 4), 4u);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_RX), FT_OK);
    ASSERT_EQ(driver.queueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);

    ASSERT_EQ(::write(port.pty.masterFd(), "more", 4), 4);
    EXPECT_EQ(waitForQueue(driver, handle, 4), 4u);
    EXPECT_EQ(driver.reset(handle), FT_OK);  // a reset flushes both queues
    ASSERT_EQ(driver.queueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
    driver.close(handle);
}

TEST(KernelPorts, UnplugGivesIoErrorNotAnEmptyQueue) {
    OpenedTorvikPort opened;
    OpenPty& port = opened.port;
    LinuxTtyDriver& driver = opened.driver;
    const FT_HANDLE handle = opened.handle;
    ASSERT_EQ(driver.setTimeouts(handle, 100, 100), FT_OK);

    port.pty.close();  // the bridge is pulled out

    EXPECT_EQ(drivertest::statusAfterHangUp(driver, handle), FT_IO_ERROR);
    DWORD written = 0;
    EXPECT_EQ(driver.write(handle, "MON1\r", 5, &written), FT_IO_ERROR);
    char buf[8];
    DWORD got = 0;
    EXPECT_EQ(driver.read(handle, buf, sizeof buf, &got), FT_IO_ERROR);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_IO_ERROR);
    EXPECT_EQ(driver.close(handle), FT_OK);
}

// Another program's plain open of `path` (no lock), in a child process: the
// errno it meets, or 0. Root passes TIOCEXCL (CAP_SYS_ADMIN), so a root test
// drops to the user nobody for it; the node is opened up to everyone first.
int plainOpenByAnotherProgram(const std::string& path) {
    EXPECT_EQ(::chmod(path.c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(200);
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd < 0 ? errno : 0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(KernelPorts, AnOpenPortShutsOutProgramsThatTakeNoLockUntilItCloses) {
    OpenedTorvikPort opened;
    const std::string slave = opened.port.pty.slavePath();
    EXPECT_EQ(plainOpenByAnotherProgram(slave), EBUSY)
        << "screen, pyserial and scripts must not share our bytes";
    ASSERT_EQ(opened.driver.close(opened.handle), FT_OK);
    // torvik-sim keeps the pty's slave open, so the tty outlives our descriptor.
    EXPECT_EQ(plainOpenByAnotherProgram(slave), 0) << "the port stays exclusive after we let it go";
}

TEST(KernelPorts, APortHeldByAnotherProgramIsInUseAndItsHolderIsNamed) {
    FakeSysfs sys;
    OpenPty port;
    sys.addPort("ttyUSB0", std::string("TORVIK\n"), port.pty.slavePath());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::prctl(PR_SET_NAME, "cutecom");
        const int fd = ::open(port.pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(ok, 'y');

    LinuxTtyDriver driver(sys.paths());
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver.open("TORVIK", &handle), FT_DEVICE_NOT_OPENED);
    const std::string node = sys.devRoot() + "/ttyUSB0";
    EXPECT_EQ(refusal(driver), "in use " + node);
    EXPECT_EQ(driver.holderOf(node), "cutecom (pid " + std::to_string(holder) + ")");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(driver.holderOf(node), "") << "nobody holds it any more";
    handle = openOrFail(driver, "TORVIK");
    EXPECT_EQ(driver.close(handle), FT_OK);
}

TEST(KernelPorts, UsbDevicesWithoutAPortAreListedApart) {
    FakeSysfs sys;
    OpenPty port;
    sys.addPort("ttyUSB0", std::string("TORVIK A\n"), port.pty.slavePath());
    const std::string taken = sys.addDeviceWithoutPort("TORVIK B\n");
    const std::string mouse = sys.addDeviceWithoutPort("Mouse\n");
    LinuxTtyDriver driver(sys.paths());
    std::vector<std::string> listed;
    for (const auto& bridge : driver.portlessBridges())
        listed.push_back(bridge.name + " " + bridge.description);
    EXPECT_EQ(listed, (std::vector<std::string>{taken + " TORVIK B", mouse + " Mouse"}));
    EXPECT_EQ(descriptions(driver), std::vector<std::string>{"TORVIK A"});
    EXPECT_TRUE(LinuxTtyDriver(LinuxTtyPaths{"", sys.devRoot(), ""}).portlessBridges().empty());
}

}  // namespace
