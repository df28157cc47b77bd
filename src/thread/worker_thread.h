#pragma once
// TWorkerThread: a component that runs at most one background worker at a time,
// with hooks around it, and lets the worker call onto the user-interface thread.
//
// Use (create, configure and call everything on the user-interface thread):
//   TWorkerThread worker;
//   worker.OnStart = TWorkerThread::bind(this, &Owner::Started);     // UI thread
//   worker.OnExecute = TWorkerThread::bind(this, &Owner::Execute);   // worker thread
//   worker.SetPriority(TThreadPriority::tpLowest);
//   worker.Start();                // ignored while a worker exists
//   ...
//   worker.Stop();                 // sets the terminate flag, never waits; the UI
//                                  // thread, or the worker on itself
// The body loops until thread->Terminated(), and hands work to the UI thread
// with thread->CallSynchronized(data, callback), which blocks until the callback
// has run there (dropped once the terminate flag is set; the callback's
// exception is thrown again in the worker). When the body returns, WorkerEnded
// runs on the UI thread (IsRunning() false, then OnTerminate). Destroying the
// component sets the terminate flag and waits for the worker, running its
// pending calls meanwhile; OnTerminate is not called then.
// An exception that escapes OnExecute ends the worker silently.

#include "thread/thread_priority.h"
#include "thread/ui_call_queue.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TWorkerThread;
class TWorkerExecuteThread;

// Hooks: Sender, the worker, and a reference to the pointer the hooks share.
using TWorkerThreadDataNotifyEvent =
    std::function<void(TWorkerThread* sender, TWorkerExecuteThread* thread, void*& data)>;
using TWorkerThreadUpdateNotifyEvent =
    std::function<void(TWorkerThread* sender, TWorkerExecuteThread* thread, void*& data, int percent)>;

// One worker thread. Created suspended by TWorkerThread; its object lives
// until the component has seen it end.
class TWorkerExecuteThread {
public:
    ~TWorkerExecuteThread();
    TWorkerExecuteThread(const TWorkerExecuteThread&) = delete;
    TWorkerExecuteThread& operator=(const TWorkerExecuteThread&) = delete;

    bool Terminated() const { return terminated_.load(); }
    void Terminate() { terminated_.store(true); }

    // Worker thread: runs `callback` on the UI thread with a copy of `data` and
    // returns after it has run. Returns at once once the terminate flag is set.
    void CallSynchronized(void* data, const TWorkerThreadDataNotifyEvent& callback);
    // Worker thread: runs `call` on the UI thread and returns after it has run,
    // whatever the terminate flag says.
    void CallOnUiThread(const std::function<void()>& call);

    TWorkerThread* Owner() const { return owner_; }
    void*& Data() { return data_; }
    int Percent() const { return percent_.load(); }
    void SetPercent(int percent) { percent_.store(percent); }

private:
    friend class TWorkerThread;
    TWorkerExecuteThread(TWorkerThread* owner, void* data, TWorkerThreadDataNotifyEvent body);
    void run();
    void release();

    TWorkerThread* owner_;
    void* data_;
    TWorkerThreadDataNotifyEvent body_;
    std::atomic<bool> terminated_{false};
    std::atomic<int> percent_{0};
    std::atomic<pid_t> tid_{0};
    // The pending synchronous call, read on the UI thread while the worker waits.
    void* syncData_ = nullptr;
    const TWorkerThreadDataNotifyEvent* syncCall_ = nullptr;
    // The start gate: the thread waits here until the start hook has run.
    std::mutex gateMutex_;
    std::condition_variable gate_;
    bool released_ = false;
    bool endNotified_ = false;  // UI thread only
    std::thread thread_;
};

class TWorkerThread : public QObject {
    Q_OBJECT
public:
    explicit TWorkerThread(QObject* parent = nullptr);
    ~TWorkerThread() override;

    template <class T>
    static TWorkerThreadDataNotifyEvent bind(T* object, void (T::*method)(TWorkerThread*,
                                                                          TWorkerExecuteThread*, void*&)) {
        return [object, method](TWorkerThread* s, TWorkerExecuteThread* t, void*& d) {
            (object->*method)(s, t, d);
        };
    }

    TWorkerThreadDataNotifyEvent OnStart;
    TWorkerThreadDataNotifyEvent OnExecute;
    TWorkerThreadDataNotifyEvent OnTerminate;
    TWorkerThreadUpdateNotifyEvent OnUpdate;

    void Start() { StartWithData(nullptr); }
    // Starts a worker whose Data begins as `data`, unless a worker exists.
    // Throws std::runtime_error when the system cannot create the thread.
    void StartWithData(void* data);
    void Stop();
    bool IsRunning() const { return current_ != nullptr; }
    // The current worker, or nullptr.
    TWorkerExecuteThread* Worker() const { return current_.get(); }

    TThreadPriority Priority() const { return priority_.load(); }
    void SetPriority(TThreadPriority priority);
    bool UpdateEnabled() const { return updateEnabled_; }
    void SetUpdateEnabled(bool enabled);
    unsigned RefreshInterval() const { return static_cast<unsigned>(refreshTimer_.interval()); }
    void SetRefreshInterval(unsigned ms) { refreshTimer_.setInterval(static_cast<int>(ms)); }

    // Calls of the worker waiting for the UI thread (0 or 1).
    std::size_t PendingUiCalls() const { return calls_.pending(); }

    // The re-entrant lock held around OnStart, OnUpdate and OnTerminate.
    std::recursive_mutex& Lock() { return lock_; }

private:
    friend class TWorkerExecuteThread;
    void RefreshTick();
    void WorkerEnded(TWorkerExecuteThread* worker);
    void WorkerDetached(TWorkerExecuteThread* worker);
    void endNotification(TWorkerExecuteThread* worker);
    void reapEnded();

    UiCallQueue calls_;
    QTimer refreshTimer_;
    std::recursive_mutex lock_;
    std::unique_ptr<TWorkerExecuteThread> current_;
    // Workers whose end was seen; joined once their thread has left its end call.
    std::vector<std::unique_ptr<TWorkerExecuteThread>> ended_;
    std::atomic<TThreadPriority> priority_{TThreadPriority::tpNormal};
    bool updateEnabled_ = false;
    bool destroying_ = false;
};
