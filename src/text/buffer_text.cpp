#include "text/buffer_text.h"

#include <algorithm>
#include <cstring>

qsizetype TextToBuffer(std::span<std::uint8_t> destination, QByteArrayView text) {
    const auto n = std::min<std::size_t>(destination.size(), static_cast<std::size_t>(text.size()));
    if (n > 0) std::memcpy(destination.data(), text.data(), n);
    return static_cast<qsizetype>(n);
}

QByteArray BufferToText(std::span<const std::uint8_t> source, std::int64_t count) {
    QByteArray text;
    AppendBufferText(text, source, count);
    return text;
}

void AppendBufferText(QByteArray& text, std::span<const std::uint8_t> source, std::int64_t count) {
    if (count <= 0) return;
    const auto n = std::min<std::int64_t>(count, static_cast<std::int64_t>(source.size()));
    text.append(reinterpret_cast<const char*>(source.data()), static_cast<qsizetype>(n));
}
