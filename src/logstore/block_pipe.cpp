#include "logstore/block_pipe.h"

namespace logstore {

bool BlockPipe::pass(std::vector<char>& block, std::size_t used) {
    if (direct_) return (*direct_)(QByteArrayView(block.data(), qsizetype(used)));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return full_.size() < kDepth || stopped_; });
    if (stopped_) return false;
    full_.emplace_back(std::move(block), used);
    block = std::vector<char>();
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    changed_.notify_all();
    return true;
}

void BlockPipe::close(bool complete) {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    complete_ = complete;
    changed_.notify_all();
}

bool BlockPipe::drain(const Sink& sink) {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return !full_.empty() || closed_; });
        if (full_.empty()) return complete_;
        auto [block, used] = std::move(full_.front());
        full_.pop_front();
        lock.unlock();
        const bool written = sink(QByteArrayView(block.data(), qsizetype(used)));
        lock.lock();
        if (!written) {
            stopped_ = true;
            changed_.notify_all();
            return false;
        }
        // Normal blocks come back for the next ones; a very long line's is let go.
        if (block.capacity() <= (std::size_t{2} << 20)) spare_.push_back(std::move(block));
        changed_.notify_all();
    }
}

}  // namespace logstore
