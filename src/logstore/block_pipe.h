#pragma once
// Blocks of bytes handed from the thread that encodes the log to the thread
// that writes them: while one block is written, the next chunks are decoded,
// so that a save takes about as long as writing its bytes.

#include <QByteArrayView>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace logstore {

class BlockPipe {
public:
    using Sink = std::function<bool(QByteArrayView block)>;

    // With `direct`, every block goes to it at once on the encoding thread
    // (where no second thread can be had).
    explicit BlockPipe(const Sink* direct = nullptr) : direct_(direct) {}

    // Encoding side: hands on the first `used` bytes of `block`, which is
    // replaced by a spare buffer (perhaps empty); false once the writing side
    // has stopped.
    bool pass(std::vector<char>& block, std::size_t used);
    // Encoding side: no more blocks; `complete` tells whether all were passed.
    void close(bool complete);
    // Writing side: hands every block to `sink` until the pipe is closed; true
    // when all went out and the encoding was complete. Stops at the first
    // block that `sink` refuses.
    bool drain(const Sink& sink);

private:
    static constexpr std::size_t kDepth = 4;  // blocks ahead of the writer
    const Sink* direct_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::vector<char>, std::size_t>> full_;
    std::vector<std::vector<char>> spare_;
    bool closed_ = false;
    bool complete_ = false;
    bool stopped_ = false;
};

}  // namespace logstore
