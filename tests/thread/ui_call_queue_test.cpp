#include "thread/ui_call_queue.h"
#include "thread/event_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(UiCallQueue, CallsFromOtherThreadsRunOnTheOwnerThreadInOrder) {
    UiCallQueue queue;
    std::vector<int> order;  // touched on the owner thread only
    std::atomic<bool> finished{false};
    const auto ownerThread = std::this_thread::get_id();
    bool allOnOwner = true;
    std::thread caller([&] {
        for (int i = 0; i < 100; ++i)
            queue.callBlocking([&, i] {
                allOnOwner = allOnOwner && std::this_thread::get_id() == ownerThread;
                order.push_back(i);
            });
        finished = true;
    });
    ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
    caller.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnOwner);
}

TEST(UiCallQueue, CallerWaitsUntilTheCallHasRun) {
    UiCallQueue queue;
    int value = 0;
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        queue.callBlocking([&] { value = 42; });
        // The caller sees the owner's write: the call ran before it returned.
        EXPECT_EQ(value, 42);
        returned = true;
    });
    QThread::msleep(30);
    EXPECT_FALSE(returned.load()) << "nobody ran the queue yet";
    ASSERT_TRUE(pumpUntil([&] { return returned.load(); }));
    caller.join();
}

TEST(UiCallQueue, ExceptionIsThrownAgainInTheCaller) {
    UiCallQueue queue;
    std::atomic<bool> caught{false};
    std::thread caller([&] {
        try {
            queue.callBlocking([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = std::string(e.what()) == "boom";
        }
    });
    ASSERT_TRUE(pumpUntil([&] { return caught.load(); }));
    caller.join();
}

TEST(UiCallQueue, CallOnTheOwnerThreadRunsAtOnce) {
    UiCallQueue queue;
    bool ran = false;
    queue.callBlocking([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(UiCallQueue, WaitAndDrainServesCallersWithoutTheEventLoop) {
    UiCallQueue queue;
    std::atomic<int> done{0};
    std::thread caller([&] {
        for (int i = 0; i < 5; ++i) queue.callBlocking([&] { ++done; });
    });
    while (done.load() < 5) queue.waitAndDrain(std::chrono::milliseconds(50));
    caller.join();
    EXPECT_EQ(done.load(), 5);
}
