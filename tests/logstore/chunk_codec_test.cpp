#include "logstore/chunk_codec.h"
#include "logstore/chunk_cache.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

using logstore::ChunkCache;
using logstore::decodeChunk;
using logstore::DecodedChunk;

namespace {

std::vector<char> pack(std::string_view raw) {
    logstore::Compressor c;
    const logstore::PackedChunk p = c.compress({raw.data(), raw.size()});
    return std::vector<char>(p.bytes.get(), p.bytes.get() + p.size);
}

std::string lineOf(const DecodedChunk& d, std::size_t i) {
    const auto line = d.lines().line(i);
    return std::string(line.data(), line.size());
}

}  // namespace

TEST(SealedChunk, DecodesTheLinesItWasGiven) {
    const char text[] = "7E8 03 41 0C\r\r\0\x01\xff\n\rlast";
    const std::string raw(text, sizeof text - 1);
    const auto packed = pack(raw);
    DecodedChunk d;
    ASSERT_TRUE(decodeChunk(packed, raw.size(), 4, d));
    ASSERT_EQ(d.lineCount(), 4u);
    EXPECT_EQ(lineOf(d, 0), "7E8 03 41 0C");
    EXPECT_EQ(lineOf(d, 1), "");
    EXPECT_EQ(lineOf(d, 2), std::string("\0\x01\xff\n", 4));
    EXPECT_EQ(lineOf(d, 3), "last");
}

TEST(SealedChunk, AnEmptyLineAloneIsOneLine) {
    const auto packed = pack("");
    DecodedChunk d;
    ASSERT_TRUE(decodeChunk(packed, 0, 1, d));
    EXPECT_EQ(d.lineCount(), 1u);
    EXPECT_EQ(lineOf(d, 0), "");
    EXPECT_FALSE(decodeChunk(packed, 0, 0, d));
}

TEST(SealedChunk, RefusesAWrongLineCountOrSize) {
    const std::string raw = "a\rb\rc";
    const auto packed = pack(raw);
    DecodedChunk d;
    EXPECT_FALSE(decodeChunk(packed, raw.size(), 2, d));
    EXPECT_FALSE(decodeChunk(packed, raw.size(), 4, d));
    EXPECT_FALSE(decodeChunk(packed, raw.size() + 1, 3, d));
    EXPECT_FALSE(decodeChunk(packed, raw.size() - 1, 3, d));
    EXPECT_EQ(d.lineCount(), 0u);
    EXPECT_EQ(d.bytes, nullptr);
}

TEST(SealedChunk, RefusesDamagedFrames) {
    std::string raw;
    for (int i = 0; i < 2000; ++i) raw += "7E8 03 41 0D " + std::to_string(i % 97) + "\r";
    raw += "end";
    const auto packed = pack(raw);
    DecodedChunk d;
    ASSERT_TRUE(decodeChunk(packed, raw.size(), 2001, d));

    std::vector<char> cut(packed.begin(), packed.end() - 1);
    EXPECT_FALSE(decodeChunk(cut, raw.size(), 2001, d));
    std::vector<char> longer = packed;
    longer.push_back(0);
    EXPECT_FALSE(decodeChunk(longer, raw.size(), 2001, d));
    std::vector<char> twice = packed;
    twice.insert(twice.end(), packed.begin(), packed.end());
    EXPECT_FALSE(decodeChunk(twice, raw.size(), 2001, d));
    EXPECT_FALSE(decodeChunk({}, 0, 1, d));
    // A flipped byte is refused or (in a header field that changes nothing) read
    // as the same lines; it never yields other lines.
    int refused = 0;
    for (std::size_t at = 0; at < packed.size(); ++at) {
        std::vector<char> bad = packed;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        if (!decodeChunk(bad, raw.size(), 2001, d)) {
            ++refused;
            continue;
        }
        EXPECT_EQ(std::string(d.bytes.get(), d.size), raw) << "byte " << at;
    }
    EXPECT_GE(refused, int(packed.size()) - 4);
}

TEST(SealedChunk, RefusesRandomBytesWithoutCrashing) {
    std::mt19937 rng(7);
    DecodedChunk d;
    for (int round = 0; round < 2000; ++round) {
        std::vector<char> junk(std::uniform_int_distribution<int>(0, 64)(rng));
        for (char& c : junk) c = static_cast<char>(rng());
        EXPECT_FALSE(decodeChunk(junk, rng() % 1000, 1 + rng() % 10, d));
    }
    // A declared size that the frames do not hold is refused before any allocation.
    EXPECT_FALSE(decodeChunk(pack("x"), std::size_t{1} << 40, 1, d));
}

TEST(ChunkCache, KeepsTheMostRecentlyUsedChunksWithinItsBudget) {
    auto chunkOf = [](std::size_t bytes) {
        const std::string raw(bytes, 'x');
        DecodedChunk d;
        EXPECT_TRUE(decodeChunk(pack(raw), raw.size(), 1, d));
        return d;
    };
    ChunkCache cache(3000);
    cache.insert(1, chunkOf(1000));
    cache.insert(2, chunkOf(1000));
    ASSERT_NE(cache.find(1), nullptr);  // 1 is now more recent than 2
    cache.insert(3, chunkOf(1000));
    EXPECT_EQ(cache.find(2), nullptr);
    EXPECT_NE(cache.find(1), nullptr);
    EXPECT_NE(cache.find(3), nullptr);
    EXPECT_LE(cache.bytes(), 3000u);
    // A chunk larger than the whole budget is still kept, alone.
    const DecodedChunk* big = cache.insert(4, chunkOf(10000));
    EXPECT_EQ(cache.entries(), 1u);
    EXPECT_EQ(cache.find(4), big);
    cache.clear();
    EXPECT_EQ(cache.find(4), nullptr);
    EXPECT_EQ(cache.bytes(), 0u);
}
