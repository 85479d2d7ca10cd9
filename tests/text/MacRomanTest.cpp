// SPDX-License-Identifier: MIT
#include "text/MacRoman.h"

#include <gtest/gtest.h>

namespace vidur::text {
namespace {

TEST(MacRoman, EveryByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const Utf8Conversion back = utf8ToMacRoman(macRomanToUtf8(all));
    EXPECT_TRUE(back.lossless);
    EXPECT_EQ(back.macRoman, all);
}

TEST(MacRoman, AccentedLettersConvertToTheirUnicodeForms) {
    EXPECT_EQ(macRomanToUtf8("Caf\x8E"), "Caf\xC3\xA9"); // é
    EXPECT_EQ(macRomanToUtf8("\xC5"), "\xE2\x89\x88"); // ≈, the NBP wildcard
    EXPECT_EQ(utf8ToMacRoman("Z\xC3\xBCrich").macRoman, "Z\x9Frich"); // ü
}

TEST(MacRoman, CharactersWithoutAByteBecomeQuestionMarksAndAreReported) {
    const Utf8Conversion r = utf8ToMacRoman("\xE4\xB8\xAD!"); // a CJK character
    EXPECT_EQ(r.macRoman, "?!");
    EXPECT_FALSE(r.lossless);
}

TEST(MacRoman, MalformedUtf8IsReplacedNotTrusted) {
    const char* const cases[] = {"\xC3", "\xE2\x89", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\x80"};
    for (const char* bad : cases) {
        const Utf8Conversion r = utf8ToMacRoman(bad);
        EXPECT_FALSE(r.lossless) << bad;
        EXPECT_EQ(r.macRoman.find_first_not_of('?'), std::string::npos) << bad;
    }
}

TEST(MacRoman, FoldingIgnoresCaseButNotDiacritics) {
    EXPECT_EQ(compareFolded("laserwriter", "LaserWriter"), 0);
    EXPECT_EQ(compareFolded("\x8E"
                            "cole",
                            "\x83"
                            "COLE"),
              0); // école / ÉCOLE
    EXPECT_NE(compareFolded("e", "\x8E"), 0); // e and é differ
    EXPECT_EQ(compareFolded("B\x89timent", "B\xE5TIMENT"), 0); // bâtiment / BÂTIMENT
    EXPECT_NE(compareFolded("\xF5", "I"), 0); // the dotless i is no I
    EXPECT_EQ(foldCase(0xCF), 0xCE); // œ → Œ
    EXPECT_LT(compareFolded("abc", "abcd"), 0);
    EXPECT_EQ(foldedHash("caf\x8E \x87"), foldedHash("CAF\x83 \xE7")); // é and á fold
    EXPECT_NE(foldedHash("caf\x8E"), foldedHash("cafe"));
}

// A cut that falls between two characters keeps both sides whole: 32 "é" fit 64 bytes.
TEST(Utf8Prefix, CutsBetweenCharactersAndKeepsOneThatEndsAtTheCut) {
    std::string e40;
    for (int i = 0; i < 40; ++i) e40 += "\xC3\xA9";
    EXPECT_EQ(utf8Prefix(e40, 64), e40.substr(0, 64));
    EXPECT_EQ(utf8Prefix(e40, 63), e40.substr(0, 62));
    EXPECT_EQ(utf8Prefix("a\xF0\x9F\x96\xA8", 4), "a"); // a four-byte character cut anywhere
    EXPECT_EQ(utf8Prefix("short", 64), "short");
    EXPECT_EQ(utf8Prefix(std::string(10, '\x8E'), 5).size(), 2u); // not UTF-8: three steps back at most
    EXPECT_TRUE(isUtf8(e40 + "\xEF\xBF\xBD")); // U+FFFD written out is text
    EXPECT_FALSE(isUtf8(e40.substr(0, 63)));
}

TEST(MacRoman, ByteComparisonIsUnsigned) {
    EXPECT_LT(compareBytes("A", "\x80"), 0);
    EXPECT_GT(compareBytes("b", "B"), 0);
}

} // namespace
} // namespace vidur::text
