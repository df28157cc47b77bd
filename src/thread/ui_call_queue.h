#pragma once
// Blocking calls from other threads onto the thread that owns the queue (the
// user-interface thread), first in, first out.
//
// The caller puts its call into a std::mutex-guarded queue and wakes the owner
// thread, through the system's wake channel (a pipe on Linux) or else with an
// empty posted event; the owner runs the queue and signals the caller through
// a std::condition_variable. No data travels with the wake-up, so everything
// the call touches is ordered by our own mutex (which ThreadSanitizer sees),
// not by Qt's internal locks.
//
// A call costs the owner thread one wake-up: the owner is woken and the caller
// signalled only after the lock is released, so neither side wakes to find the
// other still holding it.

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class UiWakeChannel;

class UiCallQueue : public QObject {
public:
    explicit UiCallQueue(QObject* parent = nullptr);
    ~UiCallQueue() override;

    // Runs `call` on the owner thread and returns once it has run; an exception
    // it throws is thrown again here. On the owner thread it runs at once.
    void callBlocking(const std::function<void()>& call);

    // Owner thread: runs every queued call, oldest first.
    void drain();
    // Owner thread: waits until a call is queued or `timeout` passes, then drains.
    void waitAndDrain(std::chrono::milliseconds timeout);

    bool onOwnerThread() const;
    // Calls waiting for the owner thread right now.
    std::size_t pending() const;

protected:
    bool event(QEvent* e) override;

private:
    struct Pending;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Pending*> queue_;
    UiWakeChannel* wakeChannel_ = nullptr;  // a child; null: posted events
};
