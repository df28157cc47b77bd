#include "logview/sealed_chunk.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <atomic>
#include <cstring>
#include <new>

namespace logchunk {
namespace {

// Level 1: the simulator's lines shrink to about a byte each at hundreds of MB/s.
constexpr int kLevel = 1;

std::atomic<int> failingDecodes{0};

}  // namespace

Compressor::Compressor() : context_(nullptr) {}

Compressor::~Compressor() {
    ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(context_));
}

std::vector<char> Compressor::compress(std::span<const char> raw) {
    if (!context_) {
        context_ = ZSTD_createCCtx();
        if (!context_) throw std::bad_alloc();
        // A checksum lets the decoder refuse a damaged chunk instead of handing out wrong lines.
        auto* cctx = static_cast<ZSTD_CCtx*>(context_);
        ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, kLevel);
        ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
    }
    std::vector<char> scratch(ZSTD_compressBound(raw.size()));
    const std::size_t n = ZSTD_compress2(static_cast<ZSTD_CCtx*>(context_), scratch.data(), scratch.size(),
                                         raw.data(), raw.size());
    // With a bound-sized output only a failed allocation inside zstd can fail.
    if (ZSTD_isError(n)) throw std::bad_alloc();
    return std::vector<char>(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(n));
}

namespace {

// The checks both decoders make before decompressing: exactly one zstd frame
// declaring `rawSize` bytes, enough bytes for the CRs between `lineCount` lines.
bool acceptable(std::span<const char> packed, std::size_t rawSize, std::uint32_t lineCount) {
    if (failingDecodes.load(std::memory_order_relaxed) > 0 && failingDecodes.fetch_sub(1) > 0)
        throw std::bad_alloc();
    if (lineCount == 0 || rawSize > kMaxRawSize || rawSize < lineCount - 1) return false;
    const unsigned long long declared = ZSTD_getFrameContentSize(packed.data(), packed.size());
    if (declared != rawSize) return false;
    // Exactly one frame, nothing after it.
    return ZSTD_findFrameCompressedSize(packed.data(), packed.size()) == packed.size();
}

struct FreeDecoder {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

bool decompress(std::span<const char> packed, std::size_t rawSize, char* into) {
    // One decoder per thread, kept: making one for every chunk costs more than decoding it.
    thread_local std::unique_ptr<ZSTD_DCtx, FreeDecoder> context;
    if (!context) {
        context.reset(ZSTD_createDCtx());
        if (!context) throw std::bad_alloc();
    }
    const std::size_t n = ZSTD_decompressDCtx(context.get(), into, rawSize, packed.data(), packed.size());
    if (ZSTD_isError(n)) {
        if (ZSTD_getErrorCode(n) == ZSTD_error_memory_allocation) throw std::bad_alloc();
        return false;
    }
    return n == rawSize;
}

}  // namespace

bool decodeSealedChunk(std::span<const char> packed, std::size_t rawSize, std::uint32_t lineCount,
                       DecodedChunk& out) {
    out = DecodedChunk();
    if (!acceptable(packed, rawSize, lineCount)) return false;

    DecodedChunk chunk;
    chunk.bytes = std::make_unique_for_overwrite<char[]>(rawSize == 0 ? 1 : rawSize);
    if (!decompress(packed, rawSize, chunk.bytes.get())) return false;
    chunk.size = rawSize;

    chunk.starts.reserve(lineCount);
    chunk.starts.push_back(0);
    const char* data = chunk.bytes.get();
    const char* end = data + rawSize;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\r', std::size_t(end - p))));) {
        if (chunk.starts.size() == lineCount) return false;  // more lines than recorded
        ++p;
        chunk.starts.push_back(static_cast<std::uint32_t>(p - data));
    }
    if (chunk.starts.size() != lineCount) return false;
    out = std::move(chunk);
    return true;
}

bool decompressSealedChunk(std::span<const char> packed, std::size_t rawSize, std::uint32_t lineCount,
                           std::vector<char>& into) {
    if (!acceptable(packed, rawSize, lineCount)) return false;
    into.resize(rawSize);
    return decompress(packed, rawSize, into.data());
}

void failNextDecodesForTest(int count) {
    failingDecodes.store(count);
}

}  // namespace logchunk
