// The Windows driver over the vendor's library, loaded at run time: a missing
// library and one that lacks a call leave the program running with no bridge
// and a reason to tell; a complete one gets every call with its arguments,
// and its statuses come back unchanged.

#include "device/windows/d2xx_library_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::wstring fixture(const char* path) {
    return std::wstring(L"Z:") + std::wstring(path, path + std::strlen(path));
}

TEST(D2xxLibraryDriver, MissingLibraryListsNoBridgeAndSaysItIsNotInstalled) {
    D2xxLibraryDriver driver(L"TORVIK-NO-SUCH-LIBRARY.DLL");
    EXPECT_FALSE(driver.loaded());
    DWORD count = 99;
    EXPECT_EQ(driver.count(&count), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(count, 0u);
    EXPECT_NE(driver.unavailableReason().find("TORVIK-NO-SUCH-LIBRARY.DLL is not installed"),
              std::string::npos)
        << driver.unavailableReason();
    // Per-device calls fail without reaching anything.
    DWORD queued = 5;
    EXPECT_EQ(driver.queueStatus(nullptr, &queued), FT_INVALID_HANDLE);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver.open("TORVIK", &handle), FT_DEVICE_NOT_FOUND);
}

TEST(D2xxLibraryDriver, LibraryLackingACallIsNotUsedAndTheCallIsNamed) {
    D2xxLibraryDriver driver(fixture(FIXTURE_WITHOUT_PURGE));
    EXPECT_FALSE(driver.loaded());
    DWORD count = 99;
    EXPECT_EQ(driver.count(&count), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(count, 0u);
    EXPECT_NE(driver.unavailableReason().find("lacks FT_Purge"), std::string::npos)
        << driver.unavailableReason();
}

TEST(D2xxLibraryDriver, EveryCallReachesTheLibraryAndItsStatusComesBackUnchanged) {
    D2xxLibraryDriver driver(fixture(FIXTURE_WHOLE));
    ASSERT_TRUE(driver.loaded()) << driver.unavailableReason();
    EXPECT_EQ(driver.unavailableReason(), "");

    DWORD count = 0;
    EXPECT_EQ(driver.count(&count), FT_OK);
    EXPECT_EQ(count, 3u);
    char description[FT_DESCRIPTION_SIZE] = {};
    EXPECT_EQ(driver.description(2, description), FT_OK);
    EXPECT_STREQ(description, "FIXTURE 2 40000002")
        << "the index in place of the pointer, by index and description";

    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver.open("TORVIK ECU", &handle), 100 + FT_OPEN_BY_DESCRIPTION);
    ASSERT_NE(handle, nullptr);
    EXPECT_STREQ(static_cast<const char*>(handle), "TORVIK ECU");
    EXPECT_EQ(driver.reset(handle), 201);
    EXPECT_EQ(driver.setDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_ODD),
              300 + 800 + 20 + 1);
    EXPECT_EQ(driver.setBaudRate(handle, 115200), 115200);
    EXPECT_EQ(driver.setTimeouts(handle, 100, 7), 100007);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_RX), 501);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_TX), 502);
    DWORD queued = 0;
    EXPECT_EQ(driver.queueStatus(handle, &queued), -7);
    EXPECT_EQ(queued, 42u);
    char buffer[4] = {};
    DWORD got = 0;
    EXPECT_EQ(driver.read(handle, buffer, 3, &got), FT_OTHER_ERROR);
    EXPECT_EQ(got, 3u);
    EXPECT_STREQ(buffer, "rrr");
    DWORD written = 0;
    EXPECT_EQ(driver.write(handle, "SP5\r", 4, &written), 'S');
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(driver.close(handle), 601) << "the handle goes back to the library";
}

}  // namespace
