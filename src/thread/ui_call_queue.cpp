#include "thread/ui_call_queue.h"

#include "thread/ui_wake_channel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}

struct UiCallQueue::Pending {
    const std::function<void()>* call;
    bool done = false;
    std::exception_ptr error;
};

UiCallQueue::UiCallQueue(QObject* parent)
    : QObject(parent), wakeChannel_(makeUiWakeChannel(this, [this] { drain(); })) {}

UiCallQueue::~UiCallQueue() = default;

bool UiCallQueue::onOwnerThread() const {
    return QThread::currentThread() == thread();
}

std::size_t UiCallQueue::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void UiCallQueue::callBlocking(const std::function<void()>& call) {
    if (onOwnerThread()) {
        call();
        return;
    }
    Pending pending{&call, false, nullptr};
    QEvent* wake = nullptr;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(&pending);
        // Made under our lock, which the owner takes before it reads the event:
        // so the event's life is ordered by a lock that the sanitizer sees.
        if (!wakeChannel_) wake = new QEvent(kWakeEvent);
        // For the owner's destruction-time wait (waitAndDrain); nobody waits
        // on this in normal running, so it costs no system call.
        changed_.notify_all();
    }
    // Woken after the unlock: the owner thread wakes to a free lock. Woken
    // under it, a thread woken at once (on a second core, or preempting this
    // one) would block on the lock and be woken a second time when we release it.
    if (wakeChannel_)
        wakeChannel_->signal();
    else
        QCoreApplication::postEvent(this, wake);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pending.done; });
    lock.unlock();
    if (pending.error) std::rethrow_exception(pending.error);
}

void UiCallQueue::drain() {
    Pending* pending = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return;
        pending = queue_.front();
        queue_.pop_front();
    }
    for (;;) {
        std::exception_ptr error;
        try {
            (*pending->call)();
        } catch (...) {
            error = std::current_exception();
        }
        Pending* next = nullptr;
        {
            std::lock_guard lock(mutex_);
            // Moved, not copied: the caller alone owns the exception from here
            // on, so it is also destroyed on the caller's thread.
            pending->error = std::move(error);
            pending->done = true;
            // The next call is taken in the same turn of the lock: the woken
            // caller must not find the lock held by a second look at the queue.
            if (!queue_.empty()) {
                next = queue_.front();
                queue_.pop_front();
            }
        }
        // Signalled after the unlock, so that the caller wakes to a free lock.
        // The condition variable belongs to the queue, not to the finished call,
        // and outlives the caller's return.
        changed_.notify_all();
        if (!next) return;
        pending = next;
    }
}

void UiCallQueue::waitAndDrain(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
    }
    drain();
}

bool UiCallQueue::event(QEvent* e) {
    {
        // A wake-up event is made on the calling thread under this lock and
        // travels through Qt's queue, which the sanitizer cannot see: taking
        // the lock first orders its making before we read it.
        std::lock_guard lock(mutex_);
    }
    if (e->type() != kWakeEvent) return QObject::event(e);
    drain();
    return true;
}
