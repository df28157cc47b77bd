// The resident log's sealed chunks: a chunk sealed from any lines decodes to
// exactly those lines, and arbitrary or damaged bytes are either refused or
// decode to lines that agree with what the caller recorded, never a crash.
#include "fuzz/fuzz_check.h"
#include "logstore/chunk_codec.h"
#include "logstore/size_limits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What every accepted chunk must hold: `rawSize` bytes in `lineCount` lines,
// the lines separated by single CRs and holding none themselves.
void checkShape(const logstore::DecodedChunk& chunk, std::size_t rawSize, std::size_t lineCount) {
    const logstore::JoinedLines lines = chunk.lines();
    FUZZ_CHECK(chunk.size == rawSize);
    FUZZ_CHECK(lines.count() == lineCount);
    FUZZ_CHECK(lines.begin(0) == 0);
    for (std::size_t i = 0; i < lineCount; ++i) {
        FUZZ_CHECK(lines.begin(i) <= lines.end(i));
        FUZZ_CHECK(lines.end(i) <= chunk.size);
        FUZZ_CHECK(std::memchr(lines.line(i).data(), '\r', lines.length(i)) == nullptr);
        if (i + 1 < lineCount) FUZZ_CHECK(chunk.bytes[lines.end(i)] == '\r');
    }
}

// The bytes of `raw` compressed, in pieces of `pieceBytes` (0: the normal size).
std::string packed(const std::string& raw, std::size_t pieceBytes) {
    logstore::Compressor compressor(pieceBytes ? pieceBytes : logstore::kFramePieceBytes);
    const logstore::PackedChunk p = compressor.compress(raw);
    return std::string(p.bytes.get(), p.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    logstore::DecodedChunk decoded;

    if (input.ConsumeBool()) {
        // Bytes of any kind offered as a chunk, with any recorded size and count
        // (sizes kept to a few chunks' worth, as the log records them).
        const auto rawSize = input.ConsumeIntegralInRange<std::size_t>(0, 4 * logstore::kChunkBytes);
        const auto lineCount = input.ConsumeIntegral<std::uint32_t>();
        const std::string packed = input.ConsumeRemainingBytesAsString();
        if (logstore::decodeChunk(packed, rawSize, lineCount, decoded))
            checkShape(decoded, rawSize, lineCount);
        else
            FUZZ_CHECK(decoded.size == 0 && decoded.lineCount() == 0);
        return 0;
    }

    // Lines from the input (CR never occurs in a received line), sealed and read back.
    std::vector<std::string> lines;
    std::string raw;
    const auto count = input.ConsumeIntegralInRange<std::uint32_t>(1, 200);
    for (std::uint32_t i = 0; i < count && (i == 0 || input.remaining_bytes() > 0); ++i) {
        std::string line = input.ConsumeRandomLengthString(300);
        for (char& c : line)
            if (c == '\r') c = '\n';
        if (!lines.empty()) raw += '\r';
        raw += line;
        lines.push_back(std::move(line));
    }
    const std::size_t lineCount = lines.size();
    // Pieces of any size, down to a byte: a chunk of many pieces reads as one.
    std::string packed = ::packed(raw, input.ConsumeIntegralInRange<std::size_t>(0, 512));
    FUZZ_CHECK(logstore::decodeChunk(packed, raw.size(), lineCount, decoded));
    checkShape(decoded, raw.size(), lineCount);
    for (std::size_t i = 0; i < lineCount; ++i) {
        const auto line = decoded.lines().line(i);
        FUZZ_CHECK(std::string(line.data(), line.size()) == lines[i]);
    }
    std::string pieces;
    std::vector<char> scratch;
    FUZZ_CHECK(logstore::decompressChunkPieces(packed, raw.size(), lineCount, scratch, [&](auto piece) {
        pieces.append(piece.data(), piece.size());
        return true;
    }));
    FUZZ_CHECK(pieces == raw);

    // A wrong record of the chunk is refused.
    FUZZ_CHECK(!logstore::decodeChunk(packed, raw.size() + 1, lineCount, decoded));
    FUZZ_CHECK(!logstore::decodeChunk(packed, raw.size(), lineCount + 1, decoded));

    // Damage: flipped bytes, a cut, or trailing bytes.
    if (packed.empty()) return 0;
    const auto at = input.ConsumeIntegralInRange<std::size_t>(0, packed.size() - 1);
    switch (input.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            packed[at] = static_cast<char>(packed[at] ^ input.ConsumeIntegralInRange<int>(1, 255));
            break;
        case 1:
            packed.resize(at);
            break;
        default:
            packed.push_back(static_cast<char>(input.ConsumeIntegral<std::uint8_t>()));
            break;
    }
    if (logstore::decodeChunk(packed, raw.size(), lineCount, decoded))
        checkShape(decoded, raw.size(), lineCount);
    return 0;
}
