// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/nbp/NbpMatch.h"

namespace appletalk::nbp {
namespace {

// "≈" in Mac OS Roman.
const std::string kApprox = "\xC5";

struct FieldRow {
    std::string pattern;
    std::string value;
    bool matches;
};

TEST(NbpMatchField, WildcardsAndFoldingDecideAField) {
    const std::vector<FieldRow> rows = {
        {"=", "Probe Printer", true},
        {"a=", "a=", true}, // "=" is a wildcard only as the whole field
        {"a=", "ab", false},
        {"LaserWriter", "laserwriter", true},
        {"LaserWriter", "LaserWrite", false},
        {kApprox + "Mona", "Mona", true}, // zero characters
        {kApprox + "Mona", "Big mona", true},
        {kApprox + "Mona", "Monae", false},
        {"Mo" + kApprox, "Mona Lisa", true}, // at the end
        {"Mo" + kApprox, "Mo", true},
        {"Mo" + kApprox, "M", false},
        {"M" + kApprox + "a", "Mona", true}, // in the middle
        {"M" + kApprox + "a", "Ma", true},
        {"M" + kApprox + "a", "M", false},
        {"ab" + kApprox + "ba", "aba", false}, // prefix and suffix may not overlap
        {"ab" + kApprox + "ba", "abba", true},
        {kApprox, "", true},
        {kApprox, "anything", true},
        {kApprox + "a" + kApprox, "xax", false}, // two "≈" match nothing
    };
    for (const auto& row : rows)
        EXPECT_EQ(matchesField(row.pattern, row.value), row.matches) << row.pattern << " vs " << row.value;
}

TEST(NbpMatchField, FoldingIsCaseInsensitiveButDiacriticSensitive) {
    EXPECT_FALSE(matchesField("\x8E", "e")) << "é is not e";
    EXPECT_FALSE(matchesField("\xF5", "I")) << "the dotless i is no I";
    EXPECT_TRUE(matchesField("Caf\x8E", "CAF\x83")) << "é folds to É";
    // Lower and upper case pairs of Mac OS Roman that fold together.
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs = {
        {0x87, 0xE7}, {0x88, 0xCB}, {0x89, 0xE5}, {0x8A, 0x80}, {0x8B, 0xCC}, {0x8C, 0x81}, {0x8D, 0x82}, {0x8E, 0x83},
        {0x8F, 0xE9}, {0x90, 0xE6}, {0x91, 0xE8}, {0x92, 0xEA}, {0x93, 0xED}, {0x94, 0xEB}, {0x95, 0xEC}, {0x96, 0x84},
        {0x97, 0xEE}, {0x98, 0xF1}, {0x99, 0xEF}, {0x9A, 0x85}, {0x9B, 0xCD}, {0x9C, 0xF2}, {0x9D, 0xF4}, {0x9E, 0xF3},
        {0x9F, 0x86}, {0xBE, 0xAE}, {0xBF, 0xAF}, {0xCF, 0xCE}, {0xD8, 0xD9}, {'a', 'A'},   {'z', 'Z'},
    };
    for (const auto& [lower, upper] : pairs) {
        const std::string l(1, static_cast<char>(lower));
        const std::string u(1, static_cast<char>(upper));
        EXPECT_TRUE(matchesField(l, u)) << int(lower);
        EXPECT_TRUE(matchesField(kApprox + l, "x" + u)) << int(lower) << " after a wildcard";
    }
}

TEST(NbpMatch, WholeNameNeedsObjectTypeAndZoneRule) {
    const NbpName registered{"Probe Printer", "LaserWriter", "*"};
    const auto any = NbpZoneRule::anyZone();
    EXPECT_TRUE(matches({"=", "LaserWriter", "*"}, registered, any));
    EXPECT_TRUE(matches({"probe" + kApprox, "laserwriter", "Somewhere"}, registered, any));
    EXPECT_FALSE(matches({"=", "ImageWriter", "*"}, registered, any));
    EXPECT_FALSE(matches({"=", kApprox + "W" + kApprox, "*"}, registered, any)) << "two ≈ in the type";
    EXPECT_FALSE(matches({"", "LaserWriter", "*"}, registered, any)) << "empty object is no pattern";
    EXPECT_FALSE(matches({"=", std::string(33, 'L'), "*"}, registered, any));
}

TEST(NbpZoneRule, MyZoneAcceptsStarEmptyOrTheFoldedOwnZone) {
    const auto rule = NbpZoneRule::myZone("LToUDP Zone");
    EXPECT_TRUE(rule.accepts("*"));
    EXPECT_TRUE(rule.accepts(""));
    EXPECT_TRUE(rule.accepts("ltoudp zone"));
    EXPECT_FALSE(rule.accepts("Virtual Zone"));
    EXPECT_FALSE(rule.accepts("**"));
    EXPECT_TRUE(NbpZoneRule::anyZone().accepts("Virtual Zone"));
    const auto custom = NbpZoneRule::custom([](std::string_view zone) { return zone == "B"; });
    EXPECT_TRUE(custom.accepts("B"));
    EXPECT_FALSE(custom.accepts("A"));
    EXPECT_FALSE(NbpZoneRule::custom({}).accepts("A")) << "no predicate accepts nothing";
}

TEST(NbpName, RegistrableNamesHaveNoWildcardsAndFitTheWire) {
    EXPECT_TRUE((NbpName{"Probe Printer", "LaserWriter", "*"}).isRegistrable());
    EXPECT_FALSE((NbpName{"=", "LaserWriter", "*"}).isRegistrable());
    EXPECT_FALSE((NbpName{"Probe", "Laser" + kApprox, "*"}).isRegistrable());
    EXPECT_FALSE((NbpName{"", "LaserWriter", "*"}).isRegistrable());
    EXPECT_FALSE((NbpName{std::string(33, 'P'), "LaserWriter", "*"}).isRegistrable());
    EXPECT_TRUE((NbpName{"a", "b", ""}).isMyZone());
    EXPECT_FALSE((NbpName{"a", "b", "Zone"}).isMyZone());
}

} // namespace
} // namespace appletalk::nbp
