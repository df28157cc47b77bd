// The resident log's sealed chunks: a chunk sealed from any lines decodes to
// exactly those lines, and arbitrary or damaged bytes are either refused or
// decode to lines that agree with what the caller recorded, never a crash.
#include "fuzz/fuzz_check.h"
#include "logview/sealed_chunk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What every accepted chunk must hold: `rawSize` bytes in `lineCount` lines,
// the lines separated by single CRs and holding none themselves.
void checkShape(const logchunk::DecodedChunk& chunk, std::size_t rawSize, std::uint32_t lineCount) {
    FUZZ_CHECK(chunk.size == rawSize);
    FUZZ_CHECK(chunk.lineCount() == lineCount);
    FUZZ_CHECK(chunk.lineBegin(0) == 0);
    for (std::uint32_t i = 0; i < lineCount; ++i) {
        FUZZ_CHECK(chunk.lineBegin(i) <= chunk.lineEnd(i));
        FUZZ_CHECK(chunk.lineEnd(i) <= chunk.size);
        const char* line = chunk.bytes.get() + chunk.lineBegin(i);
        FUZZ_CHECK(std::memchr(line, '\r', chunk.lineEnd(i) - chunk.lineBegin(i)) == nullptr);
        if (i + 1 < lineCount) FUZZ_CHECK(chunk.bytes[chunk.lineEnd(i)] == '\r');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    logchunk::DecodedChunk decoded;

    if (input.ConsumeBool()) {
        // Bytes of any kind offered as a chunk, with any recorded size and count
        // (sizes kept to a few chunks' worth, as the log records them).
        const auto rawSize = input.ConsumeIntegralInRange<std::size_t>(0, 4 * logchunk::kChunkBytes);
        const auto lineCount = input.ConsumeIntegral<std::uint32_t>();
        const std::string packed = input.ConsumeRemainingBytesAsString();
        if (logchunk::decodeSealedChunk(packed, rawSize, lineCount, decoded))
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
    const auto lineCount = static_cast<std::uint32_t>(lines.size());
    logchunk::Compressor compressor;
    std::vector<char> packed = compressor.compress(raw);
    FUZZ_CHECK(logchunk::decodeSealedChunk(packed, raw.size(), lineCount, decoded));
    checkShape(decoded, raw.size(), lineCount);
    for (std::uint32_t i = 0; i < lineCount; ++i)
        FUZZ_CHECK(std::string(decoded.bytes.get() + decoded.lineBegin(i),
                               decoded.lineEnd(i) - decoded.lineBegin(i)) == lines[i]);

    // A wrong record of the chunk is refused.
    FUZZ_CHECK(!logchunk::decodeSealedChunk(packed, raw.size() + 1, lineCount, decoded));
    FUZZ_CHECK(!logchunk::decodeSealedChunk(packed, raw.size(), lineCount + 1, decoded));

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
    if (logchunk::decodeSealedChunk(packed, raw.size(), lineCount, decoded))
        checkShape(decoded, raw.size(), lineCount);
    return 0;
}
