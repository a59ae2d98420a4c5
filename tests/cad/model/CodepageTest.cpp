#include "cad/io/Codepage.h"

#include <gtest/gtest.h>

using namespace vexor::cad;

TEST(Codepage, NumbersAndNamesRoundTrip) {
    EXPECT_EQ(codepageName(30), "ANSI_1252");
    EXPECT_EQ(codepageName(29), "ANSI_1251");
    EXPECT_EQ(codepageName(38), "ANSI_932");
    EXPECT_EQ(codepageName(99), "");
    EXPECT_EQ(codepageNumber("ansi_1252"), 30);
    EXPECT_EQ(codepageNumber("ANSI_936"), 39);
    EXPECT_EQ(codepageNumber("nonsense"), -1);
}

TEST(Codepage, ConvertsSingleAndMultiByteCodepages) {
    EXPECT_EQ(toUtf8("Caf\xE9", "ANSI_1252"), "Café");
    EXPECT_EQ(toUtf8("\xC4\xE0\xED", "ANSI_1251"), "Дан");
    EXPECT_EQ(toUtf8("\xE1\xE2", "ANSI_1253"), "αβ");
    EXPECT_EQ(toUtf8("\x9A", "ANSI_1250"), "š");
    EXPECT_EQ(toUtf8("\xFD", "ANSI_1254"), "ı");
    EXPECT_EQ(toUtf8("\x93\xFA\x96\x7B", "ANSI_932"), "日本");
    EXPECT_EQ(toUtf8("\xD6\xD0\xCE\xC4", "ANSI_936"), "中文");
    EXPECT_EQ(toUtf8("\xC7\xD1", "ANSI_949"), "한");
    EXPECT_EQ(toUtf8("plain", "unknown-codepage"), "plain");
}

TEST(Codepage, BrokenBytesBecomeReplacementCharacters) {
    // A lone Shift-JIS lead byte at the end cannot be decoded.
    const std::string out = toUtf8("A\x93", "ANSI_932");
    EXPECT_EQ(out, "A\xEF\xBF\xBD");
}

TEST(Codepage, UnicodeEscapes) {
    EXPECT_EQ(decodeUnicodeEscapes("\\U+00B0C"), "°C");
    EXPECT_EQ(decodeUnicodeEscapes("x\\U+4E2D\\U+6587"), "x中文");
    EXPECT_EQ(decodeUnicodeEscapes("\\U+12"), "\\U+12") << "too short stays as it is";
    EXPECT_EQ(decodeUnicodeEscapes("\\U+ZZZZ"), "\\U+ZZZZ");
    EXPECT_EQ(toUtf8("\\U+00E9t\xE9", "ANSI_1252"), "été");
}

TEST(Codepage, Utf16) {
    EXPECT_EQ(utf16ToUtf8(u"Ab\u00E9"), "Abé");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {0xD800, 'x', 0};
    EXPECT_EQ(utf16ToUtf8(lone), "\xEF\xBF\xBDx");
}
