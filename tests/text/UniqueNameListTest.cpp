// SPDX-License-Identifier: MIT
#include "text/UniqueNameList.h"

#include <gtest/gtest.h>

#include <string>

namespace vidur::text {
namespace {

TEST(UniqueNameListTest, NamesEqualUnderTheFoldAreAddedOnceInTheirFirstSpelling) {
    UniqueNameList names;
    EXPECT_TRUE(names.add("Sales"));
    EXPECT_FALSE(names.add("SALES"));
    EXPECT_TRUE(names.add("caf\x8E")); // café
    EXPECT_FALSE(names.add("CAF\x83")); // CAFÉ: é and É are a pair
    EXPECT_TRUE(names.add("caf\x87")); // cafá: á has no capital in the code page
    EXPECT_TRUE(names.add(""));
    EXPECT_FALSE(names.add(""));
    EXPECT_TRUE(names.add(std::string("A\0B", 3)));
    EXPECT_TRUE(names.add("A"));
    const std::vector<std::string> kept{"Sales", "caf\x8E", "caf\x87", "", std::string("A\0B", 3), "A"};
    EXPECT_EQ(names.names(), kept);
    EXPECT_TRUE(names.contains("sales"));
    EXPECT_FALSE(names.contains("Sale"));
}

TEST(UniqueNameListTest, KeepsEveryNameAcrossGrowthTruncationAndClearing) {
    UniqueNameList names;
    for (int i = 0; i < 5000; ++i) ASSERT_TRUE(names.add("Zone " + std::to_string(i)));
    for (int i = 0; i < 5000; ++i) ASSERT_FALSE(names.add("ZONE " + std::to_string(i))) << i;
    EXPECT_EQ(names.size(), 5000u);
    names.truncate(10);
    EXPECT_EQ(names.names().back(), "Zone 9");
    EXPECT_FALSE(names.contains("zone 10"));
    EXPECT_TRUE(names.add("zone 10"));
    names.clear();
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(names.add("Zone 1"));
}

} // namespace
} // namespace vidur::text
