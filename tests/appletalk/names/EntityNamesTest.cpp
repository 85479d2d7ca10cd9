// SPDX-License-Identifier: MIT
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tarvlib/TarvlibApi.h"

namespace {

_NBPTuple filledWith(char byte) {
    _NBPTuple t;
    std::memset(&t, byte, sizeof t);
    return t;
}

_NBPTuple named(const char* object, const char* type, const char* zone) {
    _NBPTuple t = filledWith(0);
    NBPSetEntityName(&t.entity, object, type, zone);
    return t;
}

} // namespace

TEST(NBPSetEntityName, CopiesEveryGivenPartWithItsTerminator) {
    _NBPTuple t = filledWith('x');
    ASSERT_EQ(NBPSetEntityName(&t.entity, "Laser 1", "LaserWriter", "Sales"), 0);
    EXPECT_STREQ(t.entity.object, "Laser 1");
    EXPECT_STREQ(t.entity.type, "LaserWriter");
    EXPECT_STREQ(t.entity.zone, "Sales");
}

TEST(NBPSetEntityName, LeavesAFieldAloneWhenItsPartIsNull) {
    _NBPTuple t = named("Laser 1", "LaserWriter", "Sales");
    ASSERT_EQ(NBPSetEntityName(&t.entity, nullptr, "LQ", nullptr), 0);
    EXPECT_STREQ(t.entity.object, "Laser 1");
    EXPECT_STREQ(t.entity.type, "LQ");
    EXPECT_STREQ(t.entity.zone, "Sales");
}

TEST(NBPSetEntityName, RefusesANullName) { EXPECT_NE(NBPSetEntityName(nullptr, "a", "b", "c"), 0); }

// Lengths around the field's capacity: every part fits up to 33 characters, longer ones are
// cut to 33, and the byte after the field (the next field's first byte) is never touched.
class SetEntityNameLength : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SetEntityNameLength, CutsToThirtyThreeCharactersAndNeverWritesPastTheField) {
    const std::size_t length = GetParam();
    const std::string text(length, 'A');
    _NBPTuple t = filledWith('x');
    ASSERT_EQ(NBPSetEntityName(&t.entity, text.c_str(), nullptr, text.c_str()), 0);
    const std::size_t kept = length < 33 ? length : 33;
    EXPECT_EQ(std::string(t.entity.object), text.substr(0, kept));
    EXPECT_EQ(std::string(t.entity.zone), text.substr(0, kept));
    EXPECT_EQ(t.entity.type[0], 'x') << "the type field was written";
    EXPECT_EQ(t.padding1[0], 'x') << "the padding after the zone was written";
}

INSTANTIATE_TEST_SUITE_P(AroundCapacity, SetEntityNameLength, ::testing::Values(0, 1, 32, 33, 34, 35, 200));

TEST(NBPCompareEntity, GivesZeroForTheSameNamesWhateverTheAddressAndEnumerator) {
    _NBPTuple a = named("Laser 1", "LaserWriter", "Sales");
    _NBPTuple b = a;
    b.address = {4096, 12, 129};
    b.enumerator = 7;
    EXPECT_EQ(NBPCompareEntity(&a, &b, 0), 0);
}

TEST(NBPCompareEntity, IgnoresLetterCaseIncludingAccentedMacRomanLetters) {
    // 0x8E is e-acute and 0x83 E-acute in Mac OS Roman.
    _NBPTuple a = named("caf\x8E", "laserwriter", "sales");
    _NBPTuple b = named("CAF\x83", "LaserWriter", "SALES");
    EXPECT_EQ(NBPCompareEntity(&a, &b, 0), 0);
}

struct CompareRow {
    const char* what;
    _NBPTuple other;
};

TEST(NBPCompareEntity, GivesNonZeroWhenAnyOnePartDiffers) {
    const _NBPTuple base = named("Laser 1", "LaserWriter", "Sales");
    const CompareRow rows[] = {
        {"object", named("Laser 2", "LaserWriter", "Sales")},
        {"type", named("Laser 1", "ImageWriter", "Sales")},
        {"zone", named("Laser 1", "LaserWriter", "Support")},
        {"prefix", named("Laser", "LaserWriter", "Sales")},
        {"accent", named("Laser 1", "LaserWriter",
                         "Sal\x8E"
                         "s")},
    };
    for (const auto& row : rows) {
        EXPECT_NE(NBPCompareEntity(&base, &row.other, 0), 0) << row.what;
        EXPECT_NE(NBPCompareEntity(&row.other, &base, 0), 0) << row.what;
    }
}

TEST(NBPCompareEntity, ReadsNoFurtherThanTheFieldWhenATerminatorIsMissing) {
    _NBPTuple a = filledWith('Q');
    _NBPTuple b = filledWith('Q');
    // Whole fields of 'Q' without terminators are the same 33-character names: the last
    // byte is the terminator's place, as for every reader of a field.
    EXPECT_EQ(NBPCompareEntity(&a, &b, 0), 0);
    b.entity.zone[33] = 'R';
    EXPECT_EQ(NBPCompareEntity(&a, &b, 0), 0);
    b.entity.zone[32] = 'R';
    EXPECT_NE(NBPCompareEntity(&a, &b, 0), 0);
}

TEST(NBPCompareEntity, NeverCallsANullTupleTheSameEntity) {
    _NBPTuple a = named("a", "b", "c");
    EXPECT_NE(NBPCompareEntity(&a, nullptr, 0), 0);
    EXPECT_NE(NBPCompareEntity(nullptr, &a, 0), 0);
    EXPECT_NE(NBPCompareEntity(nullptr, nullptr, 0), 0);
}
