#pragma once
// A growable byte string kept in fixed-size chunks: appending never moves what is
// stored, so a log of any length grows in O(1) per byte with at most one partly
// filled chunk of slack.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ByteChunks {
public:
    static constexpr std::size_t kChunkBits = 18;  // 256 KiB
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;

    std::uint64_t size() const { return size_; }
    void append(const char* data, std::size_t count);
    void append(char byte);
    char at(std::uint64_t offset) const { return chunks_[offset >> kChunkBits][offset & (kChunkSize - 1)]; }
    // The stored bytes from `offset` to the end of its chunk.
    const char* data(std::uint64_t offset) const {
        return chunks_[offset >> kChunkBits].get() + (offset & (kChunkSize - 1));
    }
    // Copies `count` bytes from `offset` to `out`.
    void copy(std::uint64_t offset, std::size_t count, char* out) const;
    // Calls f(const char* data, std::size_t n) for each contiguous piece of
    // [offset, offset + count).
    template <class F>
    void forEachPiece(std::uint64_t offset, std::uint64_t count, F&& f) const {
        while (count > 0) {
            const std::size_t within = offset & (kChunkSize - 1);
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunkSize - within));
            f(chunks_[offset >> kChunkBits].get() + within, n);
            offset += n;
            count -= n;
        }
    }
    // Moves `count` bytes from `from` down to `to` (to <= from); used to compact.
    void moveDown(std::uint64_t from, std::uint64_t to, std::uint64_t count);
    // Drops everything from `newSize` on and frees chunks no longer needed.
    void truncate(std::uint64_t newSize);
    void clear();
    // Bytes held by the chunks themselves.
    std::uint64_t capacityBytes() const { return chunks_.size() * kChunkSize; }

private:
    char* pointer(std::uint64_t offset) { return &chunks_[offset >> kChunkBits][offset & (kChunkSize - 1)]; }

    std::vector<std::unique_ptr<char[]>> chunks_;
    std::uint64_t size_ = 0;
};
