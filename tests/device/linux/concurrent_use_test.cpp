// The reader thread queries and reads while the UI thread writes and
// configures the same handle, as the program does while a link is open.
#include "device/linux/linux_tty_driver.h"
#include "device/linux/pty_bridge.h"
#include "driver_test_support.h"
#include "fake_sysfs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(TtyDriverThreads, ReaderAndWriterShareAHandle) {
    FakeSysfs sys;
    PtyBridge pty;
    ASSERT_TRUE(pty.open(nullptr));
    sys.addPort("ttyUSB0", std::string("TORVIK\n"), pty.slavePath());
    LinuxTtyDriver driver(sys.paths());
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(driver.open("TORVIK", &handle), FT_OK);
    ASSERT_EQ(driver.setTimeouts(handle, 100, 100), FT_OK);

    constexpr std::size_t kIncoming = 20000;
    std::atomic<bool> failed{false};
    std::string received;
    std::thread reader([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (received.size() < kIncoming && std::chrono::steady_clock::now() < deadline) {
            DWORD queued = 0;
            if (driver.queueStatus(handle, &queued) != FT_OK) break;
            if (queued == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            std::string chunk(queued, '\0');
            DWORD got = 0;
            if (driver.read(handle, chunk.data(), queued, &got) != FT_OK) {
                failed = true;
                break;
            }
            received.append(chunk, 0, got);
        }
    });

    // The far end streams while the near end writes commands and re-applies settings.
    std::string sent;
    std::string echoed;
    for (int i = 0; sent.size() < kIncoming; ++i) {
        const std::string burst(200, static_cast<char>('a' + i % 26));
        ASSERT_EQ(::write(pty.masterFd(), burst.data(), burst.size()), ssize_t(burst.size()));
        sent += burst;
        DWORD written = 0;
        ASSERT_EQ(driver.write(handle, "SP3\r", 4, &written), FT_OK);
        ASSERT_EQ(driver.setBaudRate(handle, 115200), FT_OK);
        ASSERT_EQ(driver.setTimeouts(handle, 100, 100), FT_OK);
        echoed += drivertest::readAvailable(pty.masterFd(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    reader.join();
    echoed += drivertest::readAvailable(pty.masterFd(), 200);
    EXPECT_FALSE(failed);
    EXPECT_EQ(received, sent);
    EXPECT_EQ(echoed.size(), 4 * (kIncoming / 200));
    EXPECT_EQ(driver.close(handle), FT_OK);
}

}  // namespace
