#include "thread/worker_thread.h"
#include "thread/event_pump.h"

#include <gtest/gtest.h>

#include <QEventLoop>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#include <sys/resource.h>
#endif

namespace {

// The calling thread's priority as the system reports it, and what tpLowest gives.
#ifdef _WIN32
int currentThreadLevel() {
    return ::GetThreadPriority(::GetCurrentThread());
}
constexpr int kLowestLevel = THREAD_PRIORITY_LOWEST;
#else
int currentThreadLevel() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(threadpriority::currentTid()));
}
constexpr int kLowestLevel = 19;
#endif

// A body that loops until told to stop.
void loopUntilTerminated(TWorkerThread*, TWorkerExecuteThread* t, void*&) {
    while (!t->Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

TEST(WorkerThread, StartHookRunsFirstAndItsDataReachesEveryHook) {
    TWorkerThread worker;
    int payload = 7;
    std::atomic<void*> seenByBody{nullptr};
    void* seenByEnd = nullptr;
    bool runningDuringEnd = true;
    std::vector<std::string> events;  // UI thread only
    worker.OnStart = [&](TWorkerThread* s, TWorkerExecuteThread*, void*& data) {
        EXPECT_EQ(s, &worker);
        events.push_back("start");
        data = &payload;
    };
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread*, void*& data) { seenByBody = data; };
    worker.OnTerminate = [&](TWorkerThread*, TWorkerExecuteThread*, void*& data) {
        events.push_back("end");
        seenByEnd = data;
        runningDuringEnd = worker.IsRunning();
    };
    worker.StartWithData(nullptr);
    EXPECT_TRUE(worker.IsRunning());
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(seenByBody.load(), &payload);
    EXPECT_EQ(seenByEnd, &payload);
    EXPECT_FALSE(runningDuringEnd);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "end"}));
}

TEST(WorkerThread, StartIsIgnoredWhileAWorkerExistsEvenWhenStopping) {
    TWorkerThread worker;
    int starts = 0;
    std::atomic<bool> release{false};
    worker.OnStart = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ++starts; };
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) {
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    worker.Start();
    TWorkerExecuteThread* first = worker.Worker();
    worker.Start();
    worker.Stop();  // stopping, but the body has not returned yet
    worker.Stop();
    worker.Start();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(worker.Worker(), first);
    release = true;
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    worker.Start();
    EXPECT_EQ(starts, 2) << "an idle component starts again";
    worker.Stop();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
}

TEST(WorkerThread, StopWithoutWorkerDoesNothingAndStopFromTheBodyEndsIt) {
    TWorkerThread worker;
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    std::atomic<int> loopsAfterStop{0};
    worker.OnExecute = [&](TWorkerThread* s, TWorkerExecuteThread* t, void*&) {
        s->Stop();  // on the worker's own thread: only sets the flag
        while (!t->Terminated()) {
        }
        ++loopsAfterStop;
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(loopsAfterStop.load(), 1);
}

TEST(WorkerThread, CallSynchronizedRunsOnTheUiThreadInOrderAndBlocks) {
    TWorkerThread worker;
    const auto uiThread = std::this_thread::get_id();
    std::vector<int> received;  // written on the UI thread only
    bool onUi = true;
    int base = 100;
    TWorkerThreadDataNotifyEvent deliver = [&](TWorkerThread* s, TWorkerExecuteThread* t, void*& data) {
        onUi = onUi && std::this_thread::get_id() == uiThread && s == &worker && t == worker.Worker();
        received.push_back(*static_cast<int*>(data));
        data = nullptr;  // goes no further than the copy
    };
    std::atomic<bool> allSeen{true};
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
        for (int i = 0; i < 50; ++i) {
            int value = base + i;
            void* data = &value;
            t->CallSynchronized(data, deliver);
            // The call has run by now: its write is visible here.
            if (received.size() != static_cast<size_t>(i + 1)) allSeen = false;
            if (data != &value) allSeen = false;
        }
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    ASSERT_EQ(received.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(received[i], base + i);
    EXPECT_TRUE(onUi);
    EXPECT_TRUE(allSeen.load());
}

TEST(WorkerThread, CallSynchronizedAfterTheTerminateFlagIsDropped) {
    TWorkerThread worker;
    int calls = 0;
    TWorkerThreadDataNotifyEvent count = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ++calls; };
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
        t->CallSynchronized(nullptr, count);
        t->Terminate();
        t->CallSynchronized(nullptr, count);
        t->CallSynchronized(nullptr, TWorkerThreadDataNotifyEvent());  // empty: nothing
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(calls, 1);
}

TEST(WorkerThread, ExceptionInASynchronizedCallIsRaisedInTheWorker) {
    TWorkerThread worker;
    std::atomic<bool> caughtInWorker{false};
    TWorkerThreadDataNotifyEvent fail = [](TWorkerThread*, TWorkerExecuteThread*, void*&) {
        throw std::runtime_error("handler failed");
    };
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
        try {
            t->CallSynchronized(nullptr, fail);
        } catch (const std::runtime_error&) {
            caughtInWorker = true;
        }
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_TRUE(caughtInWorker.load());
}

TEST(WorkerThread, ExceptionEscapingTheBodyEndsTheWorkerNormally) {
    TWorkerThread worker;
    int ends = 0;
    worker.OnExecute = [](TWorkerThread*, TWorkerExecuteThread*, void*&) { throw std::runtime_error("x"); };
    worker.OnTerminate = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ++ends; };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(ends, 1);
}

TEST(WorkerThread, StartFromTheEndHookStartsAFreshWorker) {
    TWorkerThread worker;
    int runs = 0;  // UI thread only
    worker.OnExecute = [](TWorkerThread*, TWorkerExecuteThread*, void*&) {};
    worker.OnTerminate = [&](TWorkerThread* s, TWorkerExecuteThread*, void*&) {
        if (++runs < 3) s->Start();
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return runs == 3 && !worker.IsRunning(); }));
}

TEST(WorkerThread, DestructionWaitsAndRunsPendingCallsWithoutTheEndHook) {
    std::atomic<int> delivered{0};
    std::atomic<bool> bodyDone{false};
    int ends = 0;
    {
        TWorkerThread worker;
        TWorkerThreadDataNotifyEvent deliver = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) {
            ++delivered;
        };
        worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
            while (!t->Terminated()) {
                t->CallSynchronized(nullptr, deliver);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // Not dropped by the flag: the component's destruction must serve it.
            t->CallOnUiThread([&] { ++delivered; });
            bodyDone = true;
        };
        worker.OnTerminate = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ++ends; };
        worker.Start();
        // Let the worker block in a hand-off that the event loop never serves.
        while (worker.PendingUiCalls() == 0) QThread::msleep(1);
    }
    EXPECT_TRUE(bodyDone.load());
    EXPECT_GE(delivered.load(), 2);
    EXPECT_EQ(ends, 0);
}

TEST(WorkerThread, PriorityIsAppliedToTheWorker) {
    const int uiNice = currentThreadLevel();  // the test may itself run niced
    TWorkerThread worker;
    worker.SetPriority(TThreadPriority::tpLowest);
    std::atomic<int> nice{-100};
    std::atomic<bool> check{false};
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
        errno = 0;
        nice = currentThreadLevel();
        while (!check.load() && !t->Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return nice.load() != -100; }));
    EXPECT_EQ(nice.load(), kLowestLevel);
    EXPECT_EQ(currentThreadLevel(), uiNice) << "the UI thread keeps its priority";
    check = true;
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
}

TEST(WorkerThread, RefusedPriorityStillRuns) {
    TWorkerThread worker;
    worker.SetPriority(TThreadPriority::tpTimeCritical);  // refused without privileges
    std::atomic<bool> ran{false};
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ran = true; };
    worker.Start();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
    EXPECT_TRUE(ran.load());
}

TEST(WorkerThread, UpdatesOnlyWhileEnabled) {
    TWorkerThread worker;
    worker.SetRefreshInterval(5);
    int updates = 0;
    int lastPercent = -1;
    worker.OnUpdate = [&](TWorkerThread*, TWorkerExecuteThread*, void*&, int percent) {
        ++updates;
        lastPercent = percent;
    };
    worker.OnExecute = [](TWorkerThread* s, TWorkerExecuteThread* t, void*& d) {
        t->SetPercent(40);
        loopUntilTerminated(s, t, d);
    };
    worker.Start();
    pumpFor(60);
    EXPECT_EQ(updates, 0);
    worker.SetUpdateEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return updates >= 3; }));
    EXPECT_EQ(lastPercent, 40);
    worker.Stop();
    ASSERT_TRUE(pumpUntil([&] { return !worker.IsRunning(); }));
}

#ifdef __linux__
namespace {
// How often the calling thread has gone to sleep of its own accord: its wake-ups.
long ownSleeps() {
    std::ifstream status("/proc/thread-self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "voluntary_ctxt_switches:" && status >> value) return value;
    }
    return -1;
}
}  // namespace

TEST(WorkerThread, AHandOffWakesTheUiThreadOnce) {
    // Both threads on one core and the worker at the lowest priority: the UI
    // thread, woken by the hand-off, preempts the worker at once, as it does on
    // a busy machine. A wake-up sent while the worker still held the queue's
    // lock would send the UI thread back to sleep on that lock, to be
    // woken a second time when the worker let it go.
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);  // the worker inherits it

    constexpr int kCalls = 100;
    int served = 0;  // UI thread only
    TWorkerThreadDataNotifyEvent handOff = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { ++served; };
    QEventLoop loop;
    TWorkerThread worker;
    worker.SetPriority(TThreadPriority::tpLowest);
    worker.OnExecute = [&](TWorkerThread*, TWorkerExecuteThread* t, void*&) {
        for (int i = 0; i < kCalls; ++i) {
            t->CallSynchronized(nullptr, handOff);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    worker.OnTerminate = [&](TWorkerThread*, TWorkerExecuteThread*, void*&) { loop.quit(); };
    const long before = ownSleeps();
    worker.Start();
    loop.exec();  // nothing else wakes this thread: no timer runs
    const long sleeps = ownSleeps() - before;
    sched_setaffinity(0, sizeof all, &all);

    EXPECT_EQ(served, kCalls);
    // One wake-up per call, and a few for the start and the end; a second one
    // per call would give twice as many.
    EXPECT_LE(sleeps, kCalls * 13 / 10) << sleeps << " wake-ups for " << kCalls << " hand-offs";
}
#endif
