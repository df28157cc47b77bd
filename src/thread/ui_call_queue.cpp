#include "thread/ui_call_queue.h"

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

UiCallQueue::UiCallQueue(QObject* parent) : QObject(parent) {}

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
    std::unique_lock lock(mutex_);
    queue_.push_back(&pending);
    // Posted under our lock: the owner drains only after taking it, so the
    // event's life is ordered by a lock that the sanitizer sees.
    QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
    changed_.notify_all();
    changed_.wait(lock, [&] { return pending.done; });
    lock.unlock();
    if (pending.error) std::rethrow_exception(pending.error);
}

void UiCallQueue::drain() {
    for (;;) {
        Pending* pending = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            pending = queue_.front();
            queue_.pop_front();
        }
        std::exception_ptr error;
        try {
            (*pending->call)();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        // Moved, not copied: the caller alone owns the exception from here on,
        // so it is also destroyed on the caller's thread.
        pending->error = std::move(error);
        pending->done = true;
        changed_.notify_all();
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
