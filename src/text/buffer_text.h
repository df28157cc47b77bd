#pragma once
// Moving command text into the transmit buffer and received bytes out of the
// receive buffer, byte for byte.

#include <QByteArray>

#include <cstdint>
#include <span>

// Copies the bytes of `text`, in order, to the start of `destination`; adds no
// terminator. Never writes past the destination: returns the bytes copied.
qsizetype TextToBuffer(std::span<std::uint8_t> destination, QByteArrayView text);

// Exactly `count` bytes from the start of `source` (NULs included); a count
// below 0 gives the empty text, one beyond the source stops at its end.
QByteArray BufferToText(std::span<const std::uint8_t> source, std::int64_t count);
// The same bytes added to the end of `text`, which keeps its memory: the reader
// appends every batch this way without an allocation of its own.
void AppendBufferText(QByteArray& text, std::span<const std::uint8_t> source, std::int64_t count);
