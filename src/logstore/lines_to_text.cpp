#include "logstore/lines_to_text.h"

#include "logstore/find_cr.h"
#include "text/codepage.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace logstore {
namespace {

// The code page's characters by byte, for decoding long runs without a call per byte.
const std::array<char16_t, 256> kToUnicode = [] {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b) table[std::size_t(b)] = codepage::toUnicode(std::uint8_t(b));
    return table;
}();

#if defined(__SSE2__)
// Widens the leading part of `src` (n bytes) that holds no high byte into
// `dst`, each CR becoming `lineBreak` (at most two characters); returns where
// it stopped. The CRs are found 64 bytes ahead, so a line costs a couple of
// 16-byte stores and no branch on its content. Stores may run up to 31
// characters ahead of `dst`, inside the `room` characters from `first`, and
// are overwritten by what follows. Converts no more than `breaks` CRs, counted
// in `seen`.
std::size_t widenPlainLines(const std::uint8_t* src, std::size_t n, QStringView lineBreak, std::size_t breaks,
                            char16_t* first, std::size_t room, char16_t*& dst, std::size_t& seen) {
    const std::size_t breakSize = std::size_t(lineBreak.size());
    const char16_t break0 = breakSize > 0 ? lineBreak.utf16()[0] : u'\0';
    const char16_t break1 = breakSize > 1 ? lineBreak.utf16()[1] : u'\0';
    const __m128i crs = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    auto widen16 = [&](std::size_t from, char16_t* to) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + from));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(v, zero));
    };
    std::size_t i = 0;  // bytes [i, block) are plain and hold no CR
    // A run ends inside its block and its loads reach up to 31 bytes past its end.
    for (std::size_t block = 0; block + 96 <= n; block += 64) {
        __m128i v[4];
        for (int k = 0; k < 4; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + block + 16 * k));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3]))) != 0) break;
        std::uint64_t crBits = 0;
        for (int k = 0; k < 4; ++k)
            crBits |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v[k], crs)))) << (16 * k);
        for (; crBits; crBits &= crBits - 1) {
            const std::size_t cr = block + std::size_t(std::countr_zero(crBits));
            const std::size_t length = cr - i;
            if (seen == breaks) return i;  // a CR beyond the count is the caller's to drop
            // With no more CRs than counted and 32 bytes after every block, the
            // text still to come has room for these stores.
            Q_ASSERT(std::size_t(dst - first) + std::max<std::size_t>(length + 15, 32) <= room);
            widen16(i, dst);
            widen16(i + 16, dst + 16);
            for (std::size_t k = 32; k < length; k += 16) widen16(i + k, dst + k);
            dst += length;
            dst[0] = break0;
            dst[1] = break1;
            dst += breakSize;
            ++seen;
            i = cr + 1;
        }
    }
    return i;
}
#endif

#if defined(__SSE2__)
// Copies the leading part of `src` (n bytes) to `dst`, each CR becoming
// `lineEnd` (at most two bytes), as widenPlainLines() does for text; returns
// where it stopped. Stores run up to 31 bytes ahead of `dst`.
std::size_t copyPlainLines(const char* src, std::size_t n, QByteArrayView lineEnd, std::size_t breaks,
                           char*& dst, std::size_t& seen) {
    const std::size_t endSize = std::size_t(lineEnd.size());
    char end[2] = {};
    if (endSize > 0) std::memcpy(end, lineEnd.data(), endSize);
    const __m128i crs = _mm_set1_epi8('\r');
    auto copy16 = [&](std::size_t from, char* to) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + from)));
    };
    std::size_t i = 0;  // bytes [i, block) hold no CR
    for (std::size_t block = 0; block + 96 <= n; block += 64) {
        std::uint64_t crBits = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + block + 16 * k));
            crBits |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, crs)))) << (16 * k);
        }
        for (; crBits; crBits &= crBits - 1) {
            if (seen == breaks) return i;  // one CR too many: the caller refuses the bytes
            const std::size_t cr = block + std::size_t(std::countr_zero(crBits));
            const std::size_t length = cr - i;
            copy16(i, dst);
            copy16(i + 16, dst + 16);
            for (std::size_t k = 32; k < length; k += 16) copy16(i + k, dst + k);
            dst += length;
            std::memcpy(dst, end, 2);
            dst += endSize;
            ++seen;
            i = cr + 1;
        }
    }
    return i;
}
#endif

}  // namespace

std::ptrdiff_t copyLinesAsBytes(std::span<const char> bytes, std::size_t breaks, QByteArrayView lineEnd,
                                char* out) {
    const std::size_t endSize = std::size_t(lineEnd.size());
    const char* src = bytes.data();
    const std::size_t n = bytes.size();
    char* dst = out;
    std::size_t seen = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    if (endSize <= 2) i = copyPlainLines(src, n, lineEnd, breaks, dst, seen);
#endif
    while (i < n) {
        const auto* cr = findCr(src + i, n - i);
        const std::size_t length = (cr ? std::size_t(cr - src) : n) - i;
        std::memcpy(dst, src + i, length);
        dst += length;
        i += length;
        if (!cr) break;
        if (seen++ == breaks) return -1;
        if (endSize > 0) std::memcpy(dst, lineEnd.data(), endSize);
        dst += endSize;
        ++i;
    }
    return seen == breaks ? dst - out : -1;
}

// The page equals Latin-1 below 0x80, so runs that hold no high byte are simply
// widened, sixteen or eight bytes at a time; the rest go through the table.
bool appendLinesAsText(std::span<const char> bytes, std::size_t breaks, QStringView lineBreak, QString& out) {
    const qsizetype start = out.size();
    const std::size_t breakSize = std::size_t(lineBreak.size());
    const std::size_t n = bytes.size();
    if (breaks > n) return false;
    // Exact when the count is right; never too small when it is not (CRs beyond
    // `breaks` are dropped, a missing CR leaves its byte's room unused).
    out.resize(start + qsizetype(n - (breakSize == 0 ? 0 : breaks) + breaks * breakSize));
    char16_t* const first = reinterpret_cast<char16_t*>(out.data()) + start;
    char16_t* dst = first;
    const auto* src = reinterpret_cast<const std::uint8_t*>(bytes.data());
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    std::size_t seen = 0;
    std::size_t i = 0;
    auto one = [&](std::uint8_t byte) {
        if (byte != '\r') {
            *dst++ = kToUnicode[byte];
        } else if (++seen <= breaks) {
            std::copy_n(lineBreak.utf16(), breakSize, dst);
            dst += breakSize;
        }
    };
#if defined(__SSE2__)
    if (breakSize <= 2)
        i = widenPlainLines(src, n, lineBreak, breaks, first, std::size_t(out.size() - start), dst, seen);
#endif
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, src + i, 8);
        const std::uint64_t cr = word ^ (kOnes * '\r');  // a zero byte where a CR stands
        if ((word & kHighs) == 0) {
            // The high bit of every byte that was a CR, and of no other.
            std::uint64_t crs = ~(((cr & ~kHighs) + ~kHighs) | cr | ~kHighs);
            std::size_t k = 0;
            for (; crs; crs &= crs - 1) {
                const auto at = std::size_t(std::countr_zero(crs) / 8);
                for (; k < at; ++k) *dst++ = src[i + k];
                one('\r');
                k = at + 1;
            }
            for (; k < 8; ++k) *dst++ = src[i + k];
        } else {
            for (std::size_t k = 0; k < 8; ++k) one(src[i + k]);
        }
    }
    for (; i < n; ++i) one(src[i]);
    if (seen != breaks) {
        out.resize(start);
        return false;
    }
    if (breakSize == 0) out.resize(start + (dst - first));
    return true;
}

}  // namespace logstore
