#include "logview/byte_chunks.h"

#include <algorithm>
#include <cstring>

void ByteChunks::append(const char* data, std::size_t count) {
    while (count > 0) {
        const std::size_t within = size_ & (kChunkSize - 1);
        if (within == 0 && (size_ >> kChunkBits) == chunks_.size())
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
        const std::size_t n = std::min(count, kChunkSize - within);
        std::memcpy(chunks_[size_ >> kChunkBits].get() + within, data, n);
        size_ += n;
        data += n;
        count -= n;
    }
}

void ByteChunks::append(char byte) {
    const std::size_t within = size_ & (kChunkSize - 1);
    if (within == 0 && (size_ >> kChunkBits) == chunks_.size())
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    chunks_[size_ >> kChunkBits][within] = byte;
    ++size_;
}

void ByteChunks::copy(std::uint64_t offset, std::size_t count, char* out) const {
    while (count > 0) {
        const std::size_t within = offset & (kChunkSize - 1);
        const std::size_t n = std::min(count, kChunkSize - within);
        std::memcpy(out, chunks_[offset >> kChunkBits].get() + within, n);
        offset += n;
        out += n;
        count -= n;
    }
}

void ByteChunks::moveDown(std::uint64_t from, std::uint64_t to, std::uint64_t count) {
    if (from == to) return;
    while (count > 0) {
        const std::uint64_t n =
            std::min({count, kChunkSize - (from & (kChunkSize - 1)), kChunkSize - (to & (kChunkSize - 1))});
        std::memmove(pointer(to), pointer(from), n);
        from += n;
        to += n;
        count -= n;
    }
}

void ByteChunks::truncate(std::uint64_t newSize) {
    if (newSize >= size_) return;
    size_ = newSize;
    const std::size_t needed = (newSize + kChunkSize - 1) >> kChunkBits;
    chunks_.resize(needed);
}

void ByteChunks::clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    size_ = 0;
}
