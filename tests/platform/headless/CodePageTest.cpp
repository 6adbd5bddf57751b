#include <gtest/gtest.h>

#include <set>

#include "platform/CodePage1252.hpp"

namespace {

using platform::CodePage1252ToUnicode;
using platform::UnicodeToCodePage1252;

constexpr std::uint8_t kUndefinedBytes[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

bool isUndefined(int byte) {
    for (const std::uint8_t undefined : kUndefinedBytes)
        if (byte == undefined) return true;
    return false;
}

TEST(CodePage1252, EveryDefinedByteRoundTripsAndNoTwoShareACharacter) {
    std::set<char32_t> seen;
    for (int byte = 0; byte < 256; ++byte) {
        const auto codePoint = CodePage1252ToUnicode(std::uint8_t(byte));
        if (isUndefined(byte)) {
            EXPECT_FALSE(codePoint) << "byte " << byte;
            continue;
        }
        ASSERT_TRUE(codePoint) << "byte " << byte;
        EXPECT_EQ(UnicodeToCodePage1252(*codePoint), std::optional<std::uint8_t>(std::uint8_t(byte)))
            << "byte " << byte;
        EXPECT_TRUE(seen.insert(*codePoint).second) << "byte " << byte;
    }
    EXPECT_EQ(seen.size(), 251u);
}

TEST(CodePage1252, AsciiAndLatin1AreTheirOwnCodePoints) {
    for (int byte = 0; byte < 0x80; ++byte)
        EXPECT_EQ(CodePage1252ToUnicode(std::uint8_t(byte)), char32_t(byte));
    for (int byte = 0xA0; byte < 0x100; ++byte)
        EXPECT_EQ(CodePage1252ToUnicode(std::uint8_t(byte)), char32_t(byte));
}

TEST(CodePage1252, TheUpperControlRangeHoldsTypographicCharacters) {
    const std::pair<std::uint8_t, char32_t> known[] = {
        {0x80, U'\u20AC'}, {0x82, U'\u201A'}, {0x83, U'\u0192'}, {0x85, U'\u2026'}, {0x8A, U'\u0160'},
        {0x8C, U'\u0152'}, {0x8E, U'\u017D'}, {0x91, U'\u2018'}, {0x92, U'\u2019'}, {0x93, U'\u201C'},
        {0x94, U'\u201D'}, {0x95, U'\u2022'}, {0x96, U'\u2013'}, {0x97, U'\u2014'}, {0x99, U'\u2122'},
        {0x9C, U'\u0153'}, {0x9F, U'\u0178'},
    };
    for (const auto& [byte, codePoint] : known) {
        EXPECT_EQ(CodePage1252ToUnicode(byte), codePoint) << "byte " << int(byte);
        EXPECT_EQ(UnicodeToCodePage1252(codePoint), byte) << "byte " << int(byte);
    }
}

TEST(CodePage1252, CharactersOutsideTheCodePageHaveNoByte) {
    // The C1 control code points, among them those of the five undefined bytes, have no byte.
    for (char32_t codePoint = 0x80; codePoint < 0xA0; ++codePoint)
        EXPECT_FALSE(UnicodeToCodePage1252(codePoint)) << "U+" << std::hex << std::uint32_t(codePoint);
    for (const char32_t codePoint : {U'\u0100', U'\u20AD', U'\u2212', U'\uFFFD', U'\U0001F3C0'})
        EXPECT_FALSE(UnicodeToCodePage1252(codePoint)) << "U+" << std::hex << std::uint32_t(codePoint);
}

} // namespace
