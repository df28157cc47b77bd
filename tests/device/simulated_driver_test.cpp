#include "device/simulated_driver.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

FT_HANDLE openOrFail(SimulatedDriver& d, const std::string& description) {
    FT_HANDLE h = nullptr;
    EXPECT_EQ(d.open(description, &h), FT_OK);
    return h;
}

TEST(SimulatedDriver, ListsOpensExclusivelyAndHonoursHeldElsewhere) {
    SimulatedDriver d;
    d.addBridge("A");
    const auto b = d.addBridge("B");
    DWORD n = 0;
    ASSERT_EQ(d.count(&n), FT_OK);
    EXPECT_EQ(n, 2u);
    char buf[FT_DESCRIPTION_SIZE];
    ASSERT_EQ(d.description(1, buf), FT_OK);
    EXPECT_STREQ(buf, "B");
    EXPECT_EQ(d.description(2, buf), FT_DEVICE_NOT_FOUND);

    FT_HANDLE h = nullptr;
    EXPECT_EQ(d.open("b", &h), FT_DEVICE_NOT_FOUND);  // exact match only
    h = openOrFail(d, "B");
    FT_HANDLE second = nullptr;
    EXPECT_EQ(d.open("B", &second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(d.close(h), FT_OK);
    EXPECT_EQ(d.close(h), FT_INVALID_HANDLE);

    d.setHeldElsewhere(b, true);
    EXPECT_EQ(d.open("B", &h), FT_DEVICE_NOT_OPENED);
    d.setHeldElsewhere(b, false);
    EXPECT_NE(openOrFail(d, "B"), nullptr);
}

TEST(SimulatedDriver, UnplugKillsOldHandlesAndReplugNeedsAFreshOpen) {
    SimulatedDriver d;
    const auto id = d.addBridge("TORVIK");
    FT_HANDLE h = openOrFail(d, "TORVIK");
    d.feed(id, "lost");
    d.unplug(id);
    DWORD q = 0, got = 0;
    char buf[8];
    EXPECT_EQ(d.queueStatus(h, &q), FT_IO_ERROR);
    EXPECT_EQ(d.read(h, buf, 4, &got), FT_IO_ERROR);
    EXPECT_EQ(d.write(h, "x", 1, &got), FT_IO_ERROR);
    DWORD n = 9;
    d.count(&n);
    EXPECT_EQ(n, 0u);

    d.replug(id);
    EXPECT_EQ(d.queueStatus(h, &q), FT_IO_ERROR);  // still the old, dead handle
    FT_HANDLE fresh = openOrFail(d, "TORVIK");
    EXPECT_EQ(d.queueStatus(fresh, &q), FT_OK);
    EXPECT_EQ(q, 0u);  // what was queued before the unplug is gone
    EXPECT_EQ(d.openHandleCount(), 2);
}

TEST(SimulatedDriver, BytesFedFromAnotherThreadArriveInOrder) {
    SimulatedDriver d;
    const auto id = d.addBridge("TORVIK");
    FT_HANDLE h = openOrFail(d, "TORVIK");
    constexpr int kChunks = 2000;
    std::thread feeder([&] {
        for (int i = 0; i < kChunks; ++i) d.feed(id, QByteArray::number(i % 10));
    });
    QByteArray received;
    char buf[256];
    while (received.size() < kChunks) {
        DWORD got = 0;
        ASSERT_EQ(d.read(h, buf, sizeof buf, &got), FT_OK);
        received.append(buf, got);
    }
    feeder.join();
    for (int i = 0; i < kChunks; ++i) ASSERT_EQ(received[i], char('0' + i % 10)) << i;
}

TEST(SimulatedDriver, RecordsWritesConfigurationAndPurges) {
    SimulatedDriver d;
    const auto id = d.addBridge("TORVIK");
    QByteArray observed;
    d.setWriteObserver([&](SimulatedDriver::BridgeId, const QByteArray& bytes) { observed += bytes; });
    FT_HANDLE h = openOrFail(d, "TORVIK");
    DWORD n = 0;
    EXPECT_EQ(d.write(h, "MON1\r", 5, &n), FT_OK);
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(d.written(id), "MON1\r");
    EXPECT_EQ(observed, "MON1\r");
    EXPECT_TRUE(d.waitForWritten(id, 5, 10));
    EXPECT_FALSE(d.waitForWritten(id, 6, 10));

    d.feed(id, "junk");
    EXPECT_EQ(d.purge(h, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(d.queued(id), 0u);
    EXPECT_EQ(d.setBaudRate(h, 0), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(d.setDataCharacteristics(h, 5, 0, 0), FT_INVALID_PARAMETER);
    const std::vector<std::string> expected = {"open TORVIK", "purge 1", "baud 0", "data 5 0 0"};
    EXPECT_EQ(d.calls(), expected);

    d.failNext(SimulatedDriver::Call::Read, FT_IO_ERROR, 2);
    char buf[4];
    EXPECT_EQ(d.read(h, buf, 4, &n), FT_IO_ERROR);
    EXPECT_EQ(d.read(h, buf, 4, &n), FT_IO_ERROR);
    EXPECT_EQ(d.read(h, buf, 4, &n), FT_OK);
}

}  // namespace
