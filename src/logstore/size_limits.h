#pragma once
// Every size the log store works with, in one place. Sizes and offsets are 64
// bits wide throughout: a line may be as long as memory holds (a device that
// ends its lines with LF alone sends one line for hours on end).

#include <cstddef>

namespace logstore {

// The open chunk is sealed at the first line end once it holds this many bytes.
inline constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

// Decompressed chunks kept for painting, selecting and copying.
inline constexpr std::size_t kCacheBytes = std::size_t{6} << 20;

// A sealed chunk is compressed in pieces (zstd frames) of at most this many
// bytes, so that a chunk made large by one long line needs no compression
// buffer of its own size and can be saved piece by piece.
inline constexpr std::size_t kFramePieceBytes = std::size_t{64} << 20;

}  // namespace logstore
