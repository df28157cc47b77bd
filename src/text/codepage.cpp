#include "text/codepage.h"

#include "text/codepage_system.h"

#include <array>
#include <memory>

namespace {

// 0x80..0x9F; the gaps of Windows-1252 keep the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr codepage::ByteTable makeTable() {
    codepage::ByteTable t{};
    for (int b = 0; b < 256; ++b) t[b] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
    return t;
}

constexpr codepage::ByteTable kWindows1252 = makeTable();

// The bytes of every UTF-16 code unit, '?' where the page has none.
struct Tables {
    const codepage::ByteTable& toUnicode;
    std::unique_ptr<std::array<std::uint8_t, 0x10000>> fromUnicode;

    Tables() : toUnicode(codepage::systemTable()), fromUnicode(new std::array<std::uint8_t, 0x10000>) {
        fromUnicode->fill('?');
        for (int b = 0; b < 256; ++b) (*fromUnicode)[toUnicode[b]] = static_cast<std::uint8_t>(b);
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

namespace codepage {

const ByteTable& windows1252() {
    return kWindows1252;
}

char16_t toUnicode(std::uint8_t byte) {
    return tables().toUnicode[byte];
}

std::uint8_t fromUnicode(char16_t ch) {
    return (*tables().fromUnicode)[ch];
}

void decodeAppend(QByteArrayView bytes, QString& out) {
    const ByteTable& table = tables().toUnicode;
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + start;
    const auto* src = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) dst[i] = table[src[i]];
}

QString decode(QByteArrayView bytes) {
    QString out;
    decodeAppend(bytes, out);
    return out;
}

QByteArray encode(QStringView text) {
    const auto& toByte = *tables().fromUnicode;
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append('?');
            ++i;
            continue;
        }
        out.append(static_cast<char>(toByte[ch]));
    }
    return out;
}

}  // namespace codepage
