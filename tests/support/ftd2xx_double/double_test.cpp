// The test double FTD2XX.DLL, loaded by name as the program loads the vendor's
// library, against a COM port that run_double_test.sh links to pty_echo's
// pseudo-terminal: TORVIK_DOUBLE_PORT names the port and
// TORVIK_DOUBLE_DESCRIPTION the bridge. The far end sends back every byte and
// hangs up on "HANGUP\r", so the unplug case runs last.
#include "win_process.h"

#include "device/ftd2xx.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Api {
    decltype(&FT_ListDevices) ListDevices = nullptr;
    decltype(&FT_OpenEx) OpenEx = nullptr;
    decltype(&FT_Close) Close = nullptr;
    decltype(&FT_ResetDevice) ResetDevice = nullptr;
    decltype(&FT_SetDataCharacteristics) SetDataCharacteristics = nullptr;
    decltype(&FT_SetBaudRate) SetBaudRate = nullptr;
    decltype(&FT_SetTimeouts) SetTimeouts = nullptr;
    decltype(&FT_Purge) Purge = nullptr;
    decltype(&FT_GetQueueStatus) GetQueueStatus = nullptr;
    decltype(&FT_Read) Read = nullptr;
    decltype(&FT_Write) Write = nullptr;
};

class Ftd2xxDouble : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        void* library = winprocess::loadLibrary("FTD2XX.DLL");
        if (!library) {
            loadError_ = "FTD2XX.DLL: " + winprocess::lastError();
            return;
        }
        resolve(library, "FT_ListDevices", api_.ListDevices);
        resolve(library, "FT_OpenEx", api_.OpenEx);
        resolve(library, "FT_Close", api_.Close);
        resolve(library, "FT_ResetDevice", api_.ResetDevice);
        resolve(library, "FT_SetDataCharacteristics", api_.SetDataCharacteristics);
        resolve(library, "FT_SetBaudRate", api_.SetBaudRate);
        resolve(library, "FT_SetTimeouts", api_.SetTimeouts);
        resolve(library, "FT_Purge", api_.Purge);
        resolve(library, "FT_GetQueueStatus", api_.GetQueueStatus);
        resolve(library, "FT_Read", api_.Read);
        resolve(library, "FT_Write", api_.Write);
    }

    void SetUp() override {
        ASSERT_TRUE(loadError_.empty()) << loadError_;
        ASSERT_FALSE(winprocess::environment("TORVIK_DOUBLE_PORT").empty()) << "run me by run_double_test.sh";
        description_ = winprocess::environment("TORVIK_DOUBLE_DESCRIPTION");
        ASSERT_FALSE(description_.empty()) << "run me by run_double_test.sh";
    }

    void TearDown() override {
        if (handle_) api_.Close(handle_);
    }

    // Opens the listed bridge with the settings the program uses.
    void openAsTheProgramDoes() {
        ASSERT_EQ(api_.OpenEx(description_.data(), FT_OPEN_BY_DESCRIPTION, &handle_), FT_OK);
        ASSERT_NE(handle_, nullptr);
        EXPECT_EQ(api_.ResetDevice(handle_), FT_OK);
        EXPECT_EQ(api_.SetDataCharacteristics(handle_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
        EXPECT_EQ(api_.SetBaudRate(handle_, 115200), FT_OK);
        EXPECT_EQ(api_.SetTimeouts(handle_, 100, 100), FT_OK);
        EXPECT_EQ(api_.Purge(handle_, FT_PURGE_RX), FT_OK);
        EXPECT_EQ(api_.Purge(handle_, FT_PURGE_TX), FT_OK);
    }

    void writeAll(const std::string& bytes) {
        DWORD written = 0;
        ASSERT_EQ(api_.Write(handle_, const_cast<char*>(bytes.data()), DWORD(bytes.size()), &written), FT_OK);
        ASSERT_EQ(written, bytes.size());
    }

    // The receive queue's count once it reaches `count`, or its last count after 10 s.
    DWORD waitForQueued(DWORD count) {
        DWORD queued = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (api_.GetQueueStatus(handle_, &queued) != FT_OK || queued >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return queued;
    }

    static Api api_;
    static std::string loadError_;
    std::string description_;
    FT_HANDLE handle_ = nullptr;

private:
    template <typename Function>
    static void resolve(void* library, const char* name, Function& out) {
        out = reinterpret_cast<Function>(winprocess::symbol(library, name));
        if (!out) loadError_ += std::string(loadError_.empty() ? "" : ", ") + "no " + name;
    }
};

Api Ftd2xxDouble::api_;
std::string Ftd2xxDouble::loadError_;

TEST_F(Ftd2xxDouble, ListsTheOneNamedBridgeAndNothingWithoutAPort) {
    DWORD count = 99;
    ASSERT_EQ(api_.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u);
    char buffer[FT_DESCRIPTION_SIZE];
    ASSERT_EQ(api_.ListDevices(reinterpret_cast<PVOID>(0), buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_OK);
    EXPECT_EQ(std::string(buffer), description_);
    EXPECT_EQ(api_.ListDevices(reinterpret_cast<PVOID>(1), buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(api_.ListDevices(&count, nullptr, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_NOT_SUPPORTED);

    // A description over 63 bytes is listed cut, with its NUL inside the buffer.
    const std::string port = winprocess::environment("TORVIK_DOUBLE_PORT");
    winprocess::setEnvironment("TORVIK_DOUBLE_DESCRIPTION", std::string(70, 'T'));
    std::fill(std::begin(buffer), std::end(buffer), '\x55');
    EXPECT_EQ(api_.ListDevices(reinterpret_cast<PVOID>(0), buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_OK);
    EXPECT_EQ(std::string(buffer, FT_DESCRIPTION_SIZE), std::string(63, 'T') + '\0');
    winprocess::setEnvironment("TORVIK_DOUBLE_PORT", "");
    EXPECT_EQ(api_.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(api_.ListDevices(reinterpret_cast<PVOID>(0), buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_DEVICE_NOT_FOUND);
    winprocess::setEnvironment("TORVIK_DOUBLE_PORT", port);
    winprocess::setEnvironment("TORVIK_DOUBLE_DESCRIPTION", description_);
}

TEST_F(Ftd2xxDouble, OpensTheListedDescriptionOnceAndForgetsAClosedHandle) {
    FT_HANDLE other = reinterpret_cast<FT_HANDLE>(1);
    std::string wrong = description_ + "X";
    EXPECT_EQ(api_.OpenEx(wrong.data(), FT_OPEN_BY_DESCRIPTION, &other), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(api_.OpenEx(description_.data(), FT_OPEN_BY_SERIAL_NUMBER, &other), FT_NOT_SUPPORTED);

    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    EXPECT_EQ(api_.OpenEx(description_.data(), FT_OPEN_BY_DESCRIPTION, &other), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(other, nullptr);

    FT_HANDLE closed = handle_;
    ASSERT_EQ(api_.Close(handle_), FT_OK);
    handle_ = nullptr;
    DWORD queued = 0;
    EXPECT_EQ(api_.Close(closed), FT_INVALID_HANDLE);
    EXPECT_EQ(api_.GetQueueStatus(closed, &queued), FT_INVALID_HANDLE);
    EXPECT_EQ(api_.Purge(nullptr, FT_PURGE_RX), FT_INVALID_HANDLE);
    // The port was given back: it opens again.
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
}

TEST_F(Ftd2xxDouble, RefusesSettingsOutsideTheBridgesRange) {
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    EXPECT_EQ(api_.SetDataCharacteristics(handle_, 6, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(api_.SetDataCharacteristics(handle_, FT_BITS_8, FT_STOP_BITS_1, 5), FT_INVALID_PARAMETER);
    EXPECT_EQ(api_.SetDataCharacteristics(handle_, FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_EVEN), FT_OK);
    EXPECT_EQ(api_.SetBaudRate(handle_, 0), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(api_.SetBaudRate(handle_, 3000001), FT_INVALID_BAUD_RATE);
}

TEST_F(Ftd2xxDouble, CarriesEveryByteValueBothWaysAndCountsThemInTheQueue) {
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += char(i);
    ASSERT_NO_FATAL_FAILURE(writeAll(bytes));
    ASSERT_EQ(waitForQueued(256), 256u);
    std::vector<char> back(300, 0);
    DWORD got = 0;
    ASSERT_EQ(api_.Read(handle_, back.data(), 256, &got), FT_OK);
    ASSERT_EQ(got, 256u);
    EXPECT_EQ(std::string(back.data(), got), bytes);
    DWORD queued = 99;
    EXPECT_EQ(api_.GetQueueStatus(handle_, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
}

TEST_F(Ftd2xxDouble, ReadEndsAtItsTimeoutWithWhatHasArrived) {
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    char buffer[16];
    DWORD got = 99;
    auto start = Clock::now();
    ASSERT_EQ(api_.Read(handle_, buffer, sizeof buffer, &got), FT_OK);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    ASSERT_NO_FATAL_FAILURE(writeAll("AB"));
    ASSERT_EQ(waitForQueued(2), 2u);
    ASSERT_EQ(api_.Read(handle_, buffer, sizeof buffer, &got), FT_OK);
    EXPECT_EQ(std::string(buffer, got), "AB");
}

TEST_F(Ftd2xxDouble, PurgeDropsWhatWaits) {
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    ASSERT_NO_FATAL_FAILURE(writeAll("XYZ"));
    ASSERT_EQ(waitForQueued(3), 3u);
    ASSERT_EQ(api_.Purge(handle_, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    DWORD queued = 99;
    EXPECT_EQ(api_.GetQueueStatus(handle_, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
}

// Last: the far end is gone afterwards.
TEST_F(Ftd2xxDouble, AnUnplugFailsTheQueueAndWritesAndLetsGoOfTheBridge) {
    ASSERT_NO_FATAL_FAILURE(openAsTheProgramDoes());
    ASSERT_NO_FATAL_FAILURE(writeAll("HANGUP\r"));
    DWORD queued = 0;
    FT_STATUS status = FT_OK;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (status == FT_OK && Clock::now() < deadline) {
        status = api_.GetQueueStatus(handle_, &queued);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(status, FT_IO_ERROR);
    DWORD written = 0;
    char byte = 'x';
    EXPECT_EQ(api_.Write(handle_, &byte, 1, &written), FT_IO_ERROR);
    // The unplugged bridge's handle, not yet closed, holds nothing: a new open
    // fails only for want of the port (a replugged bridge would open).
    FT_HANDLE again = nullptr;
    EXPECT_EQ(api_.OpenEx(description_.data(), FT_OPEN_BY_DESCRIPTION, &again), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(api_.Close(handle_), FT_OK);
    handle_ = nullptr;
}

}  // namespace
