#include "thread/worker_thread.h"

#include <QtGlobal>

#include <stdexcept>
#include <string>
#include <system_error>

// ---- TWorkerExecuteThread ----

TWorkerExecuteThread::TWorkerExecuteThread(TWorkerThread* owner, void* data,
                                           TWorkerThreadDataNotifyEvent body)
    : owner_(owner), data_(data), body_(std::move(body)) {
    thread_ = std::thread([this] { run(); });
}

TWorkerExecuteThread::~TWorkerExecuteThread() {
    if (thread_.joinable()) thread_.join();
}

void TWorkerExecuteThread::release() {
    std::lock_guard lock(gateMutex_);
    released_ = true;
    gate_.notify_all();
}

void TWorkerExecuteThread::run() {
    {
        std::unique_lock lock(gateMutex_);
        gate_.wait(lock, [this] { return released_; });
    }
    tid_.store(threadpriority::currentTid());
    threadpriority::apply(tid_.load(), owner_->Priority());

    if (!Terminated() && body_) {
        try {
            body_(owner_, this, data_);
        } catch (...) {
            // An exception that escapes the body ends the worker without a report.
        }
    }
    try {
        owner_->calls_.callBlocking([this] { owner_->endNotification(this); });
    } catch (...) {
        // A throwing end hook must not take the process down from this thread.
    }
}

void TWorkerExecuteThread::CallSynchronized(void* data, const TWorkerThreadDataNotifyEvent& callback) {
    if (Terminated()) return;
    if (!callback) return;
    syncData_ = data;
    syncCall_ = &callback;
    owner_->calls_.callBlocking([this] {
        void* copy = syncData_;  // a change the callback makes goes no further than this copy
        (*syncCall_)(owner_, this, copy);
    });
}

void TWorkerExecuteThread::CallOnUiThread(const std::function<void()>& call) {
    owner_->calls_.callBlocking(call);
}

// ---- TWorkerThread ----

TWorkerThread::TWorkerThread(QObject* parent) : QObject(parent) {
    refreshTimer_.setInterval(100);
    connect(&refreshTimer_, &QTimer::timeout, this, &TWorkerThread::RefreshTick);
}

TWorkerThread::~TWorkerThread() {
    refreshTimer_.stop();
    destroying_ = true;  // the end notification now only forgets the worker
    if (current_) current_->Terminate();
    // Run the worker's outstanding calls and its end notification ourselves;
    // the rest of the event loop does not run while the component goes away.
    while (current_) calls_.waitAndDrain(std::chrono::milliseconds(20));
    reapEnded();
    ended_.clear();
}

void TWorkerThread::StartWithData(void* data) {
    if (current_) return;
    reapEnded();
    try {
        current_.reset(new TWorkerExecuteThread(this, data, OnExecute));
    } catch (const std::system_error& e) {
        throw std::runtime_error(std::string("Fehler beim Erzeugen des Thread: ") + e.what());
    }
    TWorkerExecuteThread* worker = current_.get();
    if (OnStart) {
        std::lock_guard lock(lock_);
        try {
            OnStart(this, worker, worker->data_);
        } catch (...) {
            // The worker must not stay parked at its gate: let it end at once.
            worker->Terminate();
            worker->release();
            throw;
        }
    }
    worker->release();
    if (updateEnabled_) refreshTimer_.start();
}

void TWorkerThread::Stop() {
    // The current worker changes only on the UI thread, and it cannot change
    // while a worker calls Stop on itself: its end notification is still ahead.
    if (TWorkerExecuteThread* worker = current_.get()) worker->Terminate();
}

void TWorkerThread::SetPriority(TThreadPriority priority) {
    priority_.store(priority);
    // A worker that has not read its tid yet picks the new value up itself.
    if (current_) threadpriority::apply(current_->tid_.load(), priority);
}

void TWorkerThread::SetUpdateEnabled(bool enabled) {
    if (enabled == updateEnabled_) return;
    updateEnabled_ = enabled;
    if (enabled)
        refreshTimer_.start();
    else
        refreshTimer_.stop();
}

void TWorkerThread::RefreshTick() {
    if (!current_) return;
    if (OnUpdate) {
        std::lock_guard lock(lock_);
        OnUpdate(this, current_.get(), current_->data_, current_->Percent());
    }
}

void TWorkerThread::endNotification(TWorkerExecuteThread* worker) {
    if (destroying_)
        WorkerDetached(worker);
    else
        WorkerEnded(worker);
}

void TWorkerThread::WorkerEnded(TWorkerExecuteThread* worker) {
    refreshTimer_.stop();
    Q_ASSERT(current_.get() == worker);
    ended_.push_back(std::move(current_));
    struct MarkEnded {
        TWorkerExecuteThread* w;
        ~MarkEnded() { w->endNotified_ = true; }
    } mark{worker};
    if (OnTerminate) {
        std::lock_guard lock(lock_);
        OnTerminate(this, worker, worker->data_);
    }
    if (updateEnabled_) refreshTimer_.start();
}

void TWorkerThread::WorkerDetached(TWorkerExecuteThread* worker) {
    Q_ASSERT(current_.get() == worker);
    worker->endNotified_ = true;
    ended_.push_back(std::move(current_));
}

void TWorkerThread::reapEnded() {
    // A worker whose end call has returned leaves its thread at once; joining
    // it costs no wait worth speaking of. One still inside its end call (a
    // Start from OnTerminate) stays for the next time.
    std::erase_if(ended_, [](const std::unique_ptr<TWorkerExecuteThread>& w) { return w->endNotified_; });
}
