// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/MacName.h"

#include <gtest/gtest.h>

namespace appletalk::afp {
namespace {

TEST(MacName, ShowableNamesRoundTripWithSeparatorsExchanged) {
    struct Row {
        const char* what;
        std::string onLinux;
        std::string mac;
    };
    const Row rows[] = {
        {"plain", "Read Me", "Read Me"},
        {"a colon on disk is a slash on the Mac", "Q1:Q2", "Q1/Q2"},
        {"Mac OS Roman letters", "Caf\xC3\xA9 \xE2\x84\xA2", "Caf\x8E \xAA"},
        {"exactly 31 bytes", std::string(31, 'x'), std::string(31, 'x')},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(macNameFor(row.onLinux), row.mac) << row.what;
        EXPECT_EQ(linuxNameFor(row.mac), row.onLinux) << row.what;
        EXPECT_FALSE(looksMangled(row.mac)) << row.what;
    }
}

TEST(MacName, NamesTheMacCannotShowAreMangledStablyAndApart) {
    const std::string cyrillic = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 2024.pdf"; // not in Mac OS Roman
    const std::string longName(40, 'a');
    const std::string otherLong = std::string(39, 'a') + "b";
    for (const auto& name : {cyrillic, longName, otherLong, std::string("bad \xFF utf-8")}) {
        const auto mac = macNameFor(name);
        EXPECT_LE(mac.size(), kMaxMacNameBytes) << name;
        EXPECT_TRUE(looksMangled(mac)) << name;
        EXPECT_EQ(macNameFor(name), mac) << "the same name every time";
        EXPECT_TRUE(linuxNameFor(mac).has_value()) << "a mangled name is one a client may send back";
    }
    EXPECT_TRUE(macNameFor(cyrillic).ends_with(".pdf"));
    EXPECT_NE(macNameFor(longName), macNameFor(otherLong));
}

TEST(MacName, NamesNoClientMayUseAreRefused) {
    for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("a:b"),
                                    std::string("._hidden"), std::string(32, 'x'), std::string("a\0b", 3)})
        EXPECT_FALSE(linuxNameFor(name).has_value()) << name;
}

} // namespace
} // namespace appletalk::afp
