// The code page on Windows: the system's single-byte ANSI page, built with its
// own conversion, keeps every byte one character and round-trips it; other
// pages keep Windows-1252. TORVIK_EXPECT_CODE_PAGE names the page a run under
// a given Wine locale must end up with.

#include "text/codepage.h"
#include "text/codepage_system.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <windows.h>

#include <set>

namespace {

void expectBijective(const codepage::ByteTable& table, unsigned page) {
    std::set<char16_t> seen(table.begin(), table.end());
    EXPECT_EQ(seen.size(), 256u) << "page " << page;
    for (int b = 0; b < 0x80; ++b) EXPECT_EQ(table[std::size_t(b)], b) << "page " << page;
}

TEST(CodePageWindows, SingleBytePagesComeFromTheSystemAndKeepEveryByte) {
    const auto w1252 = codepage::tableForWindowsCodePage(1252);
    ASSERT_TRUE(w1252.has_value());
    EXPECT_EQ(*w1252, codepage::windows1252()) << "the system's 1252 and ours agree, gaps included";

    const auto cyrillic = codepage::tableForWindowsCodePage(1251);
    ASSERT_TRUE(cyrillic.has_value());
    EXPECT_EQ((*cyrillic)[0xC0], u'\u0410');
    EXPECT_EQ((*cyrillic)[0xFF], u'\u044F');
    EXPECT_EQ((*cyrillic)[0x98], u'\u0098') << "the byte 1251 leaves unassigned keeps its own value";

    for (unsigned page : {874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u}) {
        const auto table = codepage::tableForWindowsCodePage(page);
        ASSERT_TRUE(table.has_value()) << "page " << page;
        expectBijective(*table, page);
    }
}

TEST(CodePageWindows, MultiBytePagesAreNotUsed) {
    for (unsigned page : {65001u, 932u, 936u, 949u, 950u})
        EXPECT_FALSE(codepage::tableForWindowsCodePage(page).has_value()) << "page " << page;
}

TEST(CodePageWindows, TheSystemsPageDecodesAndEncodesEveryByte) {
    const unsigned acp = ::GetACP();
    const unsigned expected = codepage::tableForWindowsCodePage(acp) ? acp : 1252;
    EXPECT_EQ(codepage::systemCodePage(), expected) << "GetACP " << acp;
    if (const QByteArray wanted = qgetenv("TORVIK_EXPECT_CODE_PAGE"); !wanted.isEmpty()) {
        EXPECT_EQ(codepage::systemCodePage(), wanted.toUInt()) << "GetACP " << acp;
    }

    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = codepage::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(codepage::encode(text), all);
    if (codepage::systemCodePage() == 1251) {
        EXPECT_EQ(text.at(0xC0), QChar(0x0410));
    }
    EXPECT_EQ(codepage::encode(QStringLiteral("\u4E2D")), QByteArray("?")) << "outside the page";
}

}  // namespace
