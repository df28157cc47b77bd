#include "logstore/chunk_cache.h"

#include <algorithm>

namespace logstore {

const DecodedChunk* ChunkCache::find(std::size_t index) {
    if (last_ && last_->index == index) return &last_->chunk;
    for (auto& e : entries_) {
        if (e->index != index) continue;
        e->lastUse = ++clock_;
        last_ = e.get();
        return &e->chunk;
    }
    return nullptr;
}

const DecodedChunk* ChunkCache::insert(std::size_t index, DecodedChunk chunk) {
    auto fresh = std::make_unique<Entry>(Entry{index, ++clock_, std::move(chunk)});
    Entry* kept = fresh.get();
    bytes_ += kept->chunk.footprint();
    entries_.push_back(std::move(fresh));
    while (bytes_ > budget_ && entries_.size() > 1) {
        auto oldest = std::min_element(entries_.begin(), entries_.end() - 1,
                                       [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
        bytes_ -= (*oldest)->chunk.footprint();
        entries_.erase(oldest);
    }
    last_ = kept;
    return &kept->chunk;
}

void ChunkCache::clear() {
    entries_.clear();
    bytes_ = 0;
    last_ = nullptr;
}

}  // namespace logstore
