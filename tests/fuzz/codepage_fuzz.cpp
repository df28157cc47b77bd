// The code page: every byte string survives decode and encode unchanged, and any
// UTF-16 text encodes one byte per character, each character by itself.
#include "fuzz/fuzz_check.h"
#include "text/codepage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as bytes from the bridge.
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = codepage::decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    FUZZ_CHECK(codepage::encode(text) == bytes);
    QString appended = QStringLiteral("x");
    codepage::decodeAppend(bytes, appended);
    FUZZ_CHECK(appended == QStringLiteral("x") + text);

    // The same input as UTF-16 text of any kind (lone surrogates included).
    const QStringView wide(reinterpret_cast<const char16_t*>(data), static_cast<qsizetype>(size / 2));
    const QByteArray encoded = codepage::encode(wide);
    qsizetype characters = 0;
    for (qsizetype i = 0; i < wide.size(); ++i, ++characters) {
        const char16_t ch = wide[i].unicode();
        const bool pair = QChar::isHighSurrogate(ch) && i + 1 < wide.size() && wide[i + 1].isLowSurrogate();
        FUZZ_CHECK(characters < encoded.size());
        const auto byte = static_cast<std::uint8_t>(encoded[characters]);
        if (pair) {
            FUZZ_CHECK(byte == '?');
            ++i;
        } else if (codepage::toUnicode(byte) != ch) {
            // Only a character outside the page may turn into '?'.
            FUZZ_CHECK(byte == '?' && codepage::fromUnicode(ch) == '?' && ch != u'?');
        }
    }
    FUZZ_CHECK(characters == encoded.size());
    // Text made only of the page's characters comes back unchanged.
    FUZZ_CHECK(codepage::encode(codepage::decode(encoded)) == encoded);
    return 0;
}
