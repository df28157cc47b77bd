#include "text/codepage.h"
#include "text/buffer_text.h"

#include <gtest/gtest.h>

#include <array>

TEST(Codepage, EveryByteRoundTripsOneCharacterPerByte) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    const QString text = codepage::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0].unicode(), 0);  // NUL stays a character
    EXPECT_EQ(codepage::encode(text), all);
    QString appended = "x";
    codepage::decodeAppend(all, appended);
    EXPECT_EQ(appended, "x" + text);
}

TEST(Codepage, Windows1252WithTheFiveGapsAsC1Controls) {
    EXPECT_EQ(codepage::toUnicode(0x80), u'\u20AC');  // euro sign
    EXPECT_EQ(codepage::toUnicode(0x9F), u'\u0178');
    EXPECT_EQ(codepage::toUnicode(0x96), u'\u2013');
    for (std::uint8_t gap : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(codepage::toUnicode(gap), gap);
    EXPECT_EQ(codepage::toUnicode(0xE9), u'\u00E9');
    EXPECT_EQ(codepage::fromUnicode(u'\u20AC'), 0x80);
    // The C1 controls that 1252 assigns to other characters have no byte.
    EXPECT_EQ(codepage::fromUnicode(u'\u0080'), '?');
    EXPECT_EQ(codepage::fromUnicode(u'\u0096'), '?');
}

TEST(Codepage, CharactersOutsideThePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(codepage::encode(u"a\u4E2Db"), "a?b");
    EXPECT_EQ(codepage::encode(QString::fromUtf8("x\xF0\x9F\x9A\x97y")), "x?y");  // one surrogate pair
    const QChar lone[] = {QChar(0xD800), QChar('z')};
    EXPECT_EQ(codepage::encode(QStringView(lone, 2)), "?z");
}

TEST(BufferRoutines, TextToBufferCopiesExactlyTheTextAndStaysInside) {
    std::array<std::uint8_t, 8> buf;
    buf.fill(0xEE);
    EXPECT_EQ(TextToBuffer(buf, "SP3\r"), 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buf.data()), 5), QByteArray("SP3\r\xEE"));
    EXPECT_EQ(TextToBuffer(buf, ""), 0);
    EXPECT_EQ(buf[0], 'S');
    EXPECT_EQ(TextToBuffer(buf, "0123456789"), 8);
    EXPECT_EQ(buf[7], '7');
}

TEST(BufferRoutines, BufferToTextKeepsEveryByteAndTheCount) {
    const std::array<std::uint8_t, 6> src = {'A', 0, '\r', 0xFF, 0, 'Z'};
    EXPECT_EQ(BufferToText(src, 0), QByteArray());
    EXPECT_EQ(BufferToText(src, -3), QByteArray());
    const QByteArray five = BufferToText(src, 5);
    ASSERT_EQ(five.size(), 5);
    EXPECT_EQ(five, QByteArray("A\0\r\xFF\0", 5));
    EXPECT_EQ(BufferToText(src, 1000).size(), 6);  // never past the source

    // Appended, the bytes follow what the text held, and a text emptied for
    // the next batch takes them into the memory it kept.
    QByteArray text("pre");
    text.reserve(64);
    const char* memory = text.constData();
    AppendBufferText(text, src, 5);
    AppendBufferText(text, src, -1);
    EXPECT_EQ(text, QByteArray("preA\0\r\xFF\0", 8));
    text.resize(0);
    AppendBufferText(text, src, 1000);
    EXPECT_EQ(text, QByteArray("A\0\r\xFF\0Z", 6));
    EXPECT_EQ(text.constData(), memory);
}
