// SPDX-License-Identifier: MIT
// The name arguments: look-up patterns with their defaults and wildcards, and the printer of
// papstatus by name or by address.
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/EntityPattern.h"
#include "tools/vidur/commands/PrinterTarget.h"

#include "Printable.h"

#include <gtest/gtest.h>

namespace vidur::cli {
namespace {

struct PatternCase {
    std::string argument;
    std::string object, type, zone; // Mac OS Roman
};

void PrintTo(const PatternCase& row, std::ostream* out) { *out << testing::printable(row.argument); }

class LookupPattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(LookupPattern, SplitsIntoFieldsWithDefaults) {
    const auto pattern = EntityPattern::parse(GetParam().argument);
    EXPECT_EQ(pattern.object(), GetParam().object);
    EXPECT_EQ(pattern.type(), GetParam().type);
    EXPECT_EQ(pattern.zone(), GetParam().zone);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, LookupPattern,
    ::testing::Values(PatternCase{"", "=", "=", "*"}, PatternCase{"=:LaserWriter@*", "=", "LaserWriter", "*"},
                      PatternCase{":LaserWriter", "=", "LaserWriter", "*"}, PatternCase{"@Sales", "=", "=", "Sales"},
                      PatternCase{"Office", "Office", "=", "*"}, PatternCase{"Office:", "Office", "=", "*"},
                      PatternCase{"Office@", "Office", "=", "*"},
                      // the UTF-8 approximately-equal sign is the Mac OS Roman partial wildcard 0xC5
                      PatternCase{"Laser\xE2\x89\x88", "Laser\xC5", "=", "*"},
                      PatternCase{"\xE2\x89\x88Mona:=@Gr\xC3\xBCn", "\xC5Mona", "=",
                                  "Gr\x9F"
                                  "n"},
                      // the zone after the last '@', the type after the last ':' before it
                      PatternCase{"a:b:c@d@e", "a:b", "c@d", "e"}));

TEST(LookupPattern, AcceptsExactly32CharactersAndCountsMacRomanBytesNotUtf8Bytes) {
    EXPECT_EQ(EntityPattern::parse(std::string(32, 'x')).object(), std::string(32, 'x'));
    EXPECT_THROW(EntityPattern::parse(std::string(33, 'x')), UsageError);
    std::string accented;
    for (int i = 0; i < 32; ++i) accented += "\xC3\xA9"; // 64 UTF-8 bytes, 32 Mac OS Roman bytes
    EXPECT_EQ(EntityPattern::parse(":" + accented).type().size(), 32u);
}

TEST(LookupPattern, RefusesWhatNbpCannotSend) {
    for (const std::string& bad : {std::string("\xE2\x89\x88"
                                               "a\xE2\x89\x88"), // two partial wildcards
                                   std::string(":\xE2\x89\x88"
                                               "a\xE2\x89\x88"),
                                   std::string("@="), // zone wildcards
                                   std::string("@Sal\xE2\x89\x88"),
                                   std::string("\xE4\xB8\xAD"), // no Mac OS Roman byte
                                   std::string("\xFF\xFE")}) { // not UTF-8
        EXPECT_THROW(EntityPattern::parse(bad), UsageError) << bad;
    }
}

TEST(LookupPattern, DisplaysInUtf8) {
    EXPECT_EQ(EntityPattern::parse("Laser\xE2\x89\x88@Caf\xC3\xA9").display(), "Laser\xE2\x89\x88:=@Caf\xC3\xA9");
}

TEST(PrinterTarget, AnAddressFillsOnlyTheAddress) {
    const auto target = PrinterTarget::parse("1.130:130");
    ASSERT_TRUE(target.isAddress());
    EXPECT_EQ(target.tuple().address.network, 1);
    EXPECT_EQ(target.tuple().address.nodeID, 130);
    EXPECT_EQ(target.tuple().address.socket, 130);
    EXPECT_EQ(target.tuple().entity.object[0], '\0');
    EXPECT_EQ(target.display(), "1.130:130");
    EXPECT_EQ(PrinterTarget::parse("65535.254:254").tuple().address.network, 65535);
}

TEST(PrinterTarget, RefusesAddressesThatNameNoSinglePrinter) {
    for (const char* bad : {"1.0:130", "1.255:130", "1.130:0", "1.130:255", "65536.1:1", "1.130", "1:130.5", "1..1:1",
                            "1.2:", ".2:3", "1.2:3:4"}) {
        EXPECT_THROW(PrinterTarget::parse(bad), UsageError) << bad;
    }
}

TEST(PrinterTarget, ANameDefaultsToALaserWriterInTheOwnZone) {
    const auto target = PrinterTarget::parse("Office");
    EXPECT_FALSE(target.isAddress());
    EXPECT_STREQ(target.tuple().entity.object, "Office");
    EXPECT_STREQ(target.tuple().entity.type, "LaserWriter");
    EXPECT_STREQ(target.tuple().entity.zone, "*");
    EXPECT_EQ(target.tuple().address.network, 0);
    EXPECT_EQ(PrinterTarget::parse("Office@Sales").display(), "Office:LaserWriter@Sales");
    EXPECT_EQ(PrinterTarget::parse("Caf\xC3\xA9:ImageWriter@Sales").display(), "Caf\xC3\xA9:ImageWriter@Sales");
    EXPECT_STREQ(PrinterTarget::parse("Caf\xC3\xA9:ImageWriter").tuple().entity.object, "Caf\x8E");
}

TEST(PrinterTarget, RefusesWildcardsBecauseItMustNameOnePrinter) {
    for (const char* bad : {"=:LaserWriter@*", "Laser\xE2\x89\x88", ":LaserWriter", "Office:="}) {
        EXPECT_THROW(PrinterTarget::parse(bad), UsageError) << bad;
    }
}

} // namespace
} // namespace vidur::cli
