#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <span>

// Turning stored log lines (code-page bytes joined by CR) into text.
namespace linetext {

// Appends `bytes`, lines of the code page joined by CRs, to `out`, with every CR
// turned into `lineBreak`; returns whether there were exactly `breaks` CRs (a
// line never holds one, but bytes not checked by the decoder may be damaged). On
// false `out` is left as it was.
bool appendLines(std::span<const char> bytes, std::size_t breaks, QStringView lineBreak, QString& out);

}  // namespace linetext
