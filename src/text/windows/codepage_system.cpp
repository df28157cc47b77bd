// The ANSI code page that Windows is set to, when every byte of it is one
// character; the table comes from the system's own conversion, so it matches
// what other programs on the machine read from the same bytes.

#include "text/codepage_system.h"

#include <windows.h>

#include <set>

namespace codepage {
namespace {

struct SystemPage {
    unsigned number = 1252;
    ByteTable table = windows1252();

    SystemPage() {
        const unsigned acp = ::GetACP();
        if (const auto fromSystem = tableForWindowsCodePage(acp)) {
            number = acp;
            table = *fromSystem;
        }
    }
};

const SystemPage& systemPage() {
    static const SystemPage page;
    return page;
}

}  // namespace

std::optional<ByteTable> tableForWindowsCodePage(unsigned codePage) {
    CPINFO info{};
    if (codePage == CP_UTF8 || !::GetCPInfo(codePage, &info) || info.MaxCharSize != 1) return std::nullopt;
    ByteTable table{};
    std::set<char16_t> taken;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t ch = 0;
        // MB_ERR_INVALID_CHARS refuses a byte the page leaves unassigned
        // instead of quietly giving the page's default character.
        const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, &ch, 1);
        table[static_cast<std::size_t>(b)] = n == 1 ? static_cast<char16_t>(ch) : static_cast<char16_t>(b);
    }
    // The log's fast paths take bytes below 0x80 as ASCII, as every ANSI page has them.
    for (int b = 0; b < 0x80; ++b) {
        if (table[static_cast<std::size_t>(b)] != b) return std::nullopt;
    }
    // Two bytes giving one character would make one of them unsaveable: the
    // later byte then keeps its own value, as an unassigned one does.
    for (int b = 0; b < 256; ++b) {
        char16_t& ch = table[static_cast<std::size_t>(b)];
        if (taken.insert(ch).second) continue;
        ch = static_cast<char16_t>(b);
        if (!taken.insert(ch).second) return std::nullopt;
    }
    return table;
}

const ByteTable& systemTable() {
    return systemPage().table;
}

unsigned systemCodePage() {
    return systemPage().number;
}

}  // namespace codepage
