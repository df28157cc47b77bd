#pragma once
// Compressing and decompressing one sealed chunk of the log: whole lines in the
// code page's bytes joined by CR, compressed with zstd in pieces (by default
// kFramePieceBytes each). Nothing here needs Qt, so the decoder can be fed
// arbitrary bytes from a plain test.

#include "logstore/joined_lines.h"
#include "logstore/size_limits.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace logstore {

// The decompressed lines of a sealed chunk with the start of every line.
struct DecodedChunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::vector<std::size_t> starts;

    JoinedLines lines() const { return {bytes.get(), size, starts}; }
    std::size_t lineCount() const { return starts.size(); }
    // Bytes held, for the cache's budget.
    std::size_t footprint() const { return size + starts.capacity() * sizeof(std::size_t); }
};

// A compressed chunk in an exactly sized buffer.
struct PackedChunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::span<const char> view() const { return {bytes.get(), size}; }
};

// Compresses `raw` (lines joined by CR) in zstd frames of at most
// `pieceBytes` each. The context is reused between calls (created on first
// use). Throws std::bad_alloc when memory runs out.
class Compressor {
public:
    explicit Compressor(std::size_t pieceBytes = kFramePieceBytes);
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    PackedChunk compress(std::span<const char> raw);

private:
    std::size_t pieceBytes_;
    void* context_;
};

// Decompresses one sealed chunk and indexes its lines. Refuses (returns false,
// leaves `out` empty) anything that is not a run of zstd frames of `rawSize`
// bytes in all holding `lineCount` lines. Never throws for bad input; throws
// std::bad_alloc only when memory runs out.
bool decodeChunk(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount, DecodedChunk& out);

// Decompresses like decodeChunk() into `into` (resized to `rawSize`), without
// indexing the lines: the caller must check that the bytes hold exactly
// `lineCount` - 1 CRs. On false the content of `into` means nothing.
bool decompressChunk(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount,
                     std::vector<char>& into);

// Decompresses the chunk one piece at a time into `scratch` and hands each
// piece to `take`; stops with false at the first damaged piece or when `take`
// returns false. The caller counts the CRs. Memory: one piece, not the chunk.
bool decompressChunkPieces(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount,
                           std::vector<char>& scratch,
                           const std::function<bool(std::span<const char>)>& take);

// For tests only: the next `count` decodes of any kind throw std::bad_alloc as
// if memory had run out, so that the callers' handling of a failed allocation
// can be exercised.
void failNextDecodesForTest(int count);

}  // namespace logstore
