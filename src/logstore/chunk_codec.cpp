#include "logstore/chunk_codec.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace logstore {
namespace {

// Level 1: the simulator's lines shrink to about a byte each at hundreds of MB/s.
constexpr int kLevel = 1;

std::atomic<int> failingDecodes{0};

}  // namespace

Compressor::Compressor(std::size_t pieceBytes)
    : pieceBytes_(std::max<std::size_t>(pieceBytes, 1)), context_(nullptr) {}

Compressor::~Compressor() {
    ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(context_));
}

PackedChunk Compressor::compress(std::span<const char> raw) {
    if (!context_) {
        context_ = ZSTD_createCCtx();
        if (!context_) throw std::bad_alloc();
        // A checksum lets the decoder refuse a damaged chunk instead of handing out wrong lines.
        auto* cctx = static_cast<ZSTD_CCtx*>(context_);
        ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, kLevel);
        ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
    }
    const std::size_t piece = pieceBytes_;
    std::vector<char> packed;
    std::vector<char> scratch;
    std::size_t done = 0;
    do {
        const std::size_t n = std::min(piece, raw.size() - done);
        scratch.resize(ZSTD_compressBound(n));
        const std::size_t size = ZSTD_compress2(static_cast<ZSTD_CCtx*>(context_), scratch.data(),
                                                scratch.size(), raw.data() + done, n);
        // With a bound-sized output only a failed allocation inside zstd can fail.
        if (ZSTD_isError(size)) throw std::bad_alloc();
        packed.insert(packed.end(), scratch.begin(), scratch.begin() + std::ptrdiff_t(size));
        done += n;
    } while (done < raw.size());
    PackedChunk out;
    out.bytes = std::make_unique_for_overwrite<char[]>(packed.size());
    std::memcpy(out.bytes.get(), packed.data(), packed.size());
    out.size = packed.size();
    return out;
}

namespace {

// One zstd frame at the start of `packed`: its compressed and its declared size.
struct Frame {
    std::size_t packedSize = 0;
    std::size_t rawSize = 0;
};

bool nextFrame(std::span<const char> packed, Frame& frame) {
    const std::size_t n = ZSTD_findFrameCompressedSize(packed.data(), packed.size());
    if (ZSTD_isError(n)) return false;
    const unsigned long long content = ZSTD_getFrameContentSize(packed.data(), n);
    if (content == ZSTD_CONTENTSIZE_ERROR || content == ZSTD_CONTENTSIZE_UNKNOWN) return false;
    frame = {n, std::size_t(content)};
    return true;
}

// The checks every decoder makes before decompressing: whole zstd frames that
// declare `rawSize` bytes in all, enough bytes for the CRs between `lineCount` lines.
bool acceptable(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount) {
    if (failingDecodes.load(std::memory_order_relaxed) > 0 && failingDecodes.fetch_sub(1) > 0)
        throw std::bad_alloc();
    if (lineCount == 0 || rawSize < lineCount - 1 || packed.empty()) return false;
    // Unknown or damaged frame headers and bytes after the last frame are refused.
    std::size_t declared = 0;
    for (std::size_t at = 0; at < packed.size();) {
        Frame frame;
        if (!nextFrame(packed.subspan(at), frame) || frame.rawSize > rawSize - declared) return false;
        declared += frame.rawSize;
        at += frame.packedSize;
    }
    return declared == rawSize;
}

struct FreeDecoder {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

ZSTD_DCtx* decoder() {
    // One decoder per thread, kept: making one for every chunk costs more than decoding it.
    thread_local std::unique_ptr<ZSTD_DCtx, FreeDecoder> context;
    if (!context) {
        context.reset(ZSTD_createDCtx());
        if (!context) throw std::bad_alloc();
    }
    return context.get();
}

bool decompress(std::span<const char> packed, std::size_t rawSize, char* into) {
    const std::size_t n = ZSTD_decompressDCtx(decoder(), into, rawSize, packed.data(), packed.size());
    if (ZSTD_isError(n)) {
        if (ZSTD_getErrorCode(n) == ZSTD_error_memory_allocation) throw std::bad_alloc();
        return false;
    }
    return n == rawSize;
}

}  // namespace

bool decodeChunk(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount,
                 DecodedChunk& out) {
    out = DecodedChunk();
    if (!acceptable(packed, rawSize, lineCount)) return false;

    DecodedChunk chunk;
    chunk.bytes = std::make_unique_for_overwrite<char[]>(rawSize == 0 ? 1 : rawSize);
    if (!decompress(packed, rawSize, chunk.bytes.get())) return false;
    chunk.size = rawSize;
    if (!indexJoinedLines(chunk.bytes.get(), rawSize, lineCount, chunk.starts)) return false;
    out = std::move(chunk);
    return true;
}

bool decompressChunk(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount,
                     std::vector<char>& into) {
    if (!acceptable(packed, rawSize, lineCount)) return false;
    into.resize(rawSize);
    return decompress(packed, rawSize, into.data());
}

bool decompressChunkPieces(std::span<const char> packed, std::size_t rawSize, std::size_t lineCount,
                           std::vector<char>& scratch,
                           const std::function<bool(std::span<const char>)>& take) {
    if (!acceptable(packed, rawSize, lineCount)) return false;
    std::size_t at = 0;
    while (at < packed.size()) {
        const std::span<const char> rest = packed.subspan(at);
        Frame frame;
        if (!nextFrame(rest, frame)) return false;
        scratch.resize(frame.rawSize);
        if (!decompress(rest.first(frame.packedSize), frame.rawSize, scratch.data())) return false;
        if (frame.rawSize > 0 && !take({scratch.data(), frame.rawSize})) return false;
        at += frame.packedSize;
    }
    return true;
}

void failNextDecodesForTest(int count) {
    failingDecodes.store(count);
}

}  // namespace logstore
