#include "thread/ui_call_queue.h"
#include "thread/event_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// Counts the events that reach one object after it was made. The event itself
// is not read: the queue orders a wake-up event's making by its own lock,
// which it takes only once the event arrives, after the filters.
class EventCounter : public QObject {
public:
    explicit EventCounter(QObject* watched) : watched_(watched) { qApp->installEventFilter(this); }
    ~EventCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* object, QEvent*) override {
        if (object == watched_) ++count;
        return false;
    }

private:
    QObject* watched_;
};

// Callers on several threads, each making `calls` blocking calls; returns what
// ran, in the order it ran, as (caller, call) pairs, and whether every call ran
// on the owner thread.
struct Served {
    std::vector<std::pair<int, int>> order;
    bool allOnOwner = true;
};
Served callFromThreads(UiCallQueue& queue, int threads, int calls) {
    Served served;
    std::atomic<int> finished{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < threads; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < calls; ++i)
                queue.callBlocking([&, t, i] {
                    served.allOnOwner = served.allOnOwner && queue.onOwnerThread();
                    served.order.emplace_back(t, i);
                });
            ++finished;
        });
    }
    const bool done = pumpUntil([&] { return finished == threads; }, 20000);
    // A lost wake-up leaves callers waiting: serve them so that they can be joined.
    while (finished != threads) queue.drain();
    for (std::thread& c : callers) c.join();
    EXPECT_TRUE(done) << "callers still waited after 20 s: a wake-up was lost";
    return served;
}

void expectEachCallerInOrder(const Served& served, int threads, int calls) {
    ASSERT_EQ(served.order.size(), std::size_t(threads * calls));
    std::vector<int> next(threads, 0);
    for (const auto& [caller, call] : served.order) EXPECT_EQ(call, next[caller]++) << "caller " << caller;
    EXPECT_TRUE(served.allOnOwner);
}

}  // namespace

TEST(UiCallQueue, CallsFromManyThreadsAllRunOnTheOwnerEachCallerInOrder) {
    UiCallQueue queue;
    EventCounter posted(&queue);
    constexpr int kThreads = 4, kCalls = 300;
    expectEachCallerInOrder(callFromThreads(queue, kThreads, kCalls), kThreads, kCalls);
#ifndef _WIN32
    // Linux wakes the owner through a pipe: a call costs no posted event, and
    // so no pass of the windowing system's event queue.
    EXPECT_EQ(posted.count, 0);
#endif
}

#ifndef _WIN32
TEST(UiCallQueue, WithNoFileDescriptorLeftCallsStillRunThroughPostedEvents) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Take every descriptor under a low limit, so that the queue's pipe cannot be made.
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    // A queue made first: UndefinedBehaviorSanitizer checks an object's type
    // with the help of a pipe, and answers from its cache once it has seen one.
    UiCallQueue seen;
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    auto queue = std::make_unique<UiCallQueue>();
    for (int fd : taken) ::close(fd);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

    EventCounter posted(queue.get());
    constexpr int kThreads = 2, kCalls = 50;
    expectEachCallerInOrder(callFromThreads(*queue, kThreads, kCalls), kThreads, kCalls);
    EXPECT_GT(posted.count, 0) << "the calls cannot have come through a pipe";
}
#endif
