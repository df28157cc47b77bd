#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <span>

// Turning stored log lines (code-page bytes joined by CR) into text or file bytes.
namespace logstore {

// Appends `bytes`, lines of the code page joined by CRs, to `out`, with every CR
// turned into `lineBreak`; returns whether there were exactly `breaks` CRs (a
// line never holds one, but bytes not checked by the decoder may be damaged). On
// false `out` is left as it was.
bool appendLinesAsText(std::span<const char> bytes, std::size_t breaks, QStringView lineBreak, QString& out);

// Copies `bytes`, lines joined by CRs, to `out` with every CR turned into
// `lineEnd`; returns the number of bytes written, or -1 when there were not
// exactly `breaks` CRs. `out` must hold bytes.size() + breaks * lineEnd.size()
// + kCopySlack bytes: the copy stores up to kCopySlack bytes past what it writes.
constexpr std::size_t kCopySlack = 32;
std::ptrdiff_t copyLinesAsBytes(std::span<const char> bytes, std::size_t breaks, QByteArrayView lineEnd,
                                char* out);

}  // namespace logstore
