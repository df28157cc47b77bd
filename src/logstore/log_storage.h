#pragma once
// The lines behind LogModel: sealed chunks, the open chunk at the tail, lines
// that the code page cannot hold, and the cache of decompressed chunks.
//
// The log is stored as the code page's bytes, one per character, with the lines
// joined by CR (a received line never holds one). Lines are gathered in an open
// chunk at the tail; once it holds about kChunkBytes and a line ends, the chunk
// is sealed: compressed, keeping only its line count, size and longest line.
// Reading a sealed line decompresses its chunk into a small cache. A line that
// holds a character the code page cannot represent (never the case for received
// bytes, but append() takes any text) keeps its UTF-16 text aside instead and
// owns no bytes. Only the last line ever grows, so a line turns wide only at the
// tail of the open chunk.

#include "logstore/chunk_cache.h"
#include "logstore/chunk_codec.h"
#include "logstore/joined_lines.h"
#include "logstore/size_limits.h"

#include <QString>
#include <QStringView>

#include <cstddef>
#include <map>
#include <new>
#include <vector>

namespace logstore {

struct SealedChunk {
    PackedChunk packed;
    std::size_t rawSize = 0;
    std::size_t lines = 0;
    std::size_t longest = 0;
    bool blanksTrimmed = false;  // no line ends in a character up to U+0020
};

// A byte line's characters, in the open chunk or a cached chunk; empty when its
// chunk could not be read.
struct ByteLine {
    const char* data = nullptr;
    std::size_t size = 0;
};

enum class Decoded { Done, Undecodable, OutOfMemory };

struct LogStorage {
    explicit LogStorage(std::size_t framePieceBytes = kFramePieceBytes) : compressor(framePieceBytes) {}

    std::vector<SealedChunk> sealed;
    std::vector<qsizetype> sealedFirst;  // first line of each sealed chunk
    qsizetype openFirst = 0;             // first line of the open chunk
    std::vector<char> open;              // the open chunk's lines, joined by CR
    std::vector<std::size_t> openStarts;
    std::map<qsizetype, QString> wide;
    qsizetype maxLength = 0;
    mutable ChunkCache cache{kCacheBytes};
    Compressor compressor;

    qsizetype count() const { return openFirst + static_cast<qsizetype>(openStarts.size()); }
    bool isWide(qsizetype i) const { return !wide.empty() && wide.count(i) != 0; }
    // Whether a line of [first, first + lines) keeps its text aside.
    bool holdsWide(qsizetype first, qsizetype lines) const;
    JoinedLines openLines() const { return {open.data(), open.size(), openStarts}; }
    std::size_t chunkOf(qsizetype line) const;

    // Runs `decode` (which reports Done or Undecodable and may throw
    // std::bad_alloc); when memory runs out, the cache gives back all it holds
    // and `decode` runs once more.
    template <class Decode>
    Decoded retryingOnMemory(Decode&& decode) const {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                return decode() ? Decoded::Done : Decoded::Undecodable;
            } catch (const std::bad_alloc&) {
                cache.clear();
            }
        }
        return Decoded::OutOfMemory;
    }
    // The decompressed chunk `k`, cached, or nullptr when it cannot be had.
    const DecodedChunk* decoded(std::size_t k) const;

    ByteLine bytesOf(qsizetype i) const;
    qsizetype length(qsizetype i) const;

    // One received batch, as LogModel::append() describes it.
    void append(QStringView batch);
    void clear();
    void trimTrailingBlanks();
    std::size_t bytesHeld() const;

private:
    void startLine();
    void noteLastLength();
    void makeLastWide();
    void seal();
    void trimChunk(SealedChunk& c);
};

}  // namespace logstore
