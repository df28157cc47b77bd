#include "logstore/size_limits.h"

#include <atomic>

namespace logstore {
namespace {

constexpr std::size_t kFramePieceBytes = std::size_t{64} << 20;
std::atomic<std::size_t> piecesForTest{0};

}  // namespace

std::size_t framePieceBytes() {
    const std::size_t forTest = piecesForTest.load(std::memory_order_relaxed);
    return forTest != 0 ? forTest : kFramePieceBytes;
}

void setFramePieceBytesForTest(std::size_t bytes) {
    piecesForTest.store(bytes, std::memory_order_relaxed);
}

}  // namespace logstore
