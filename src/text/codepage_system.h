#pragma once
// Where the code page's byte table comes from. Windows names its ANSI code
// page (GetACP); a single-byte page is used as the system's, every other page
// (UTF-8, the East Asian double-byte pages) keeps Windows-1252, whose bytes
// all stay one character each. Other systems always use Windows-1252.

#include <array>
#include <optional>

namespace codepage {

using ByteTable = std::array<char16_t, 256>;

// Windows-1252, with its five unassigned bytes mapped to the C1 controls.
const ByteTable& windows1252();

// The table of the page in use, fixed at its first use.
const ByteTable& systemTable();

// The number of the page in use (1252 where the system's own is not usable).
unsigned systemCodePage();

#ifdef _WIN32
// The table of a single-byte Windows code page, built with the system's own
// conversion; none for a page that is not single-byte or not installed.
// Bytes the page leaves unassigned keep the character of the same value, so
// that every byte round-trips.
std::optional<ByteTable> tableForWindowsCodePage(unsigned codePage);
#endif

}  // namespace codepage
