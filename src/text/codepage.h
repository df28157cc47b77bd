#pragma once
// The 8-bit code page of everything exchanged with the bridge and of saved logs:
// Windows-1252, made bijective as Windows does it. The five bytes that 1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// value, so every byte round-trips. Characters outside the page encode as '?'.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace codepage {

// The character for one byte.
char16_t toUnicode(std::uint8_t byte);
// The byte for one UTF-16 code unit, or '?' when the page has none.
std::uint8_t fromUnicode(char16_t ch);

// Bytes to text, one character per byte (NULs included).
QString decode(QByteArrayView bytes);
// Appends the decoded bytes to `out`; avoids a temporary for large batches.
void decodeAppend(QByteArrayView bytes, QString& out);
// Text to bytes; a character outside the page (a surrogate pair counts as one
// character) becomes a single '?'.
QByteArray encode(QStringView text);

}  // namespace codepage
