#pragma once
// The few most recently used decompressed chunks of the log, within a byte
// budget: painting, selecting and copying read lines near each other, so a
// handful of chunks serves them without decompressing again.

#include "logstore/chunk_codec.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace logstore {

class ChunkCache {
public:
    explicit ChunkCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // The cached chunk `index`, or nullptr; a hit becomes the most recent entry.
    const DecodedChunk* find(std::size_t index);
    // Keeps `chunk` as the most recent entry and drops the least recent ones
    // beyond the budget (never the new one). The pointer stays valid until the
    // next insert() or clear().
    const DecodedChunk* insert(std::size_t index, DecodedChunk chunk);
    void clear();
    std::size_t bytes() const { return bytes_; }
    std::size_t entries() const { return entries_.size(); }

private:
    struct Entry {
        std::size_t index;
        std::uint64_t lastUse;
        DecodedChunk chunk;
    };
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::uint64_t clock_ = 0;
    std::vector<std::unique_ptr<Entry>> entries_;
    Entry* last_ = nullptr;  // the latest hit, checked first
};

}  // namespace logstore
