#pragma once
// One sealed piece of the log: whole lines in the code page's bytes, separated by
// CR (a received line never holds one), compressed with zstd. Nothing here needs
// Qt, so the decoder can be fed arbitrary bytes from a plain test.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace logchunk {

// The open chunk is sealed at the first line end once it holds this many bytes.
inline constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

// The decompressed lines of a sealed chunk with the start of every line.
struct DecodedChunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::vector<std::uint32_t> starts;  // line i is [starts[i], starts[i + 1] - 1) or to the end

    std::uint32_t lineCount() const { return static_cast<std::uint32_t>(starts.size()); }
    std::uint32_t lineBegin(std::uint32_t i) const { return starts[i]; }
    std::uint32_t lineEnd(std::uint32_t i) const {
        return i + 1 < starts.size() ? starts[i + 1] - 1 : static_cast<std::uint32_t>(size);
    }
    // Bytes held, for the cache's budget.
    std::size_t footprint() const { return size + starts.capacity() * sizeof(std::uint32_t); }
};

// Compresses `raw` (lines joined by CR) into an exactly sized buffer. `context`
// is reused between calls (created on first use). Throws std::bad_alloc when
// memory runs out.
struct Compressor {
    Compressor();
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    std::vector<char> compress(std::span<const char> raw);

private:
    void* context_;
};

// Largest chunk the decoder accepts; a chunk only exceeds the normal size by a
// single long line, and received lines are far shorter than this.
inline constexpr std::size_t kMaxRawSize = std::size_t{1} << 30;

// Decompresses one sealed chunk and indexes its lines. Refuses (returns false,
// leaves `out` empty) anything that is not exactly one zstd frame of `rawSize`
// bytes holding `lineCount` lines. Never throws for bad input; throws
// std::bad_alloc only when memory runs out.
bool decodeSealedChunk(std::span<const char> packed, std::size_t rawSize, std::uint32_t lineCount,
                       DecodedChunk& out);

// Decompresses like decodeSealedChunk() into `into` (resized to `rawSize`),
// without indexing the lines: the caller must check that the bytes hold exactly
// `lineCount` - 1 CRs. On false the content of `into` means nothing.
bool decompressSealedChunk(std::span<const char> packed, std::size_t rawSize, std::uint32_t lineCount,
                           std::vector<char>& into);

// For tests only: the next `count` calls of decodeSealedChunk() throw
// std::bad_alloc as if memory had run out, so that the callers' handling of a
// failed allocation can be exercised. decompressSealedChunk() counts too.
void failNextDecodesForTest(int count);

}  // namespace logchunk
