// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tarvlib/TarvlibApi.h"

namespace {

// The entry as the device packages write it.
std::string written(const char* object, const char* type, const char* zone, unsigned net, unsigned node,
                    unsigned socket) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s; %u %u %u, %s:%s@%s", "AppleTalk PAP", net, node, socket, object, type,
                  zone);
    return buffer;
}

_NBPTuple filledWith(char byte) {
    _NBPTuple t;
    std::memset(&t, byte, sizeof t);
    return t;
}

struct Accepted {
    std::string value;
    const char* object;
    const char* type;
    const char* zone;
    unsigned network, node, socket;
};

void PrintTo(const Accepted& row, std::ostream* os) { *os << '"' << row.value << '"'; }

class CrackAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(CrackAccepted, FillsNamesAndAddressAndClearsTheRest) {
    const Accepted& row = GetParam();
    _NBPTuple t = filledWith('x');
    ASSERT_EQ(NBPCrackProfileString(row.value.c_str(), &t), 0);
    EXPECT_STREQ(t.entity.object, row.object);
    EXPECT_STREQ(t.entity.type, row.type);
    EXPECT_STREQ(t.entity.zone, row.zone);
    EXPECT_EQ(t.address.network, row.network);
    EXPECT_EQ(t.address.nodeID, row.node);
    EXPECT_EQ(t.address.socket, row.socket);
    EXPECT_EQ(t.enumerator, 0);
}

const std::string k33(33, 'N');

INSTANTIATE_TEST_SUITE_P(
    WrittenValues, CrackAccepted,
    ::testing::Values(
        Accepted{"AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales", "Laser 2", "LaserWriter", "Sales", 4096, 12,
                 129},
        Accepted{written("Laser", "LaserWriter", "*", 0, 0, 0), "Laser", "LaserWriter", "*", 0, 0, 0},
        Accepted{written("Top", "LQ", "Z", 65535, 255, 255), "Top", "LQ", "Z", 65535, 255, 255},
        // Object names may hold the separators; the type and zone are found from the right.
        Accepted{written("Lab: 2nd floor", "LaserWriter", "Sales", 1, 2, 3), "Lab: 2nd floor", "LaserWriter", "Sales",
                 1, 2, 3},
        Accepted{written("ops@north", "LaserWriter", "Sales", 1, 2, 3), "ops@north", "LaserWriter", "Sales", 1, 2, 3},
        Accepted{written("a:b@c:d", "AFPServer", "Z", 1, 2, 3), "a:b@c:d", "AFPServer", "Z", 1, 2, 3},
        // A zone may hold ':', since only the last '@' starts it.
        Accepted{written("Mac", "AFPServer", "Bldg:3", 1, 2, 3), "Mac", "AFPServer", "Bldg:3", 1, 2, 3},
        // Mac OS Roman bytes pass unchanged (e-acute, o-umlaut).
        Accepted{written("Caf\x8E", "LaserWriter", "K\x9Aln", 7, 8, 9), "Caf\x8E", "LaserWriter", "K\x9Aln", 7, 8, 9},
        // A blank at the start of the object is the object's: only one blank follows the comma.
        Accepted{written(" Spaced", "LaserWriter", "Z", 1, 2, 3), " Spaced", "LaserWriter", "Z", 1, 2, 3},
        // The longest parts a field holds.
        Accepted{written(k33.c_str(), k33.c_str(), k33.c_str(), 1, 2, 3), k33.c_str(), k33.c_str(), k33.c_str(), 1, 2,
                 3},
        // Empty type and zone are accepted; only the object is needed.
        Accepted{written("Solo", "", "", 1, 2, 3), "Solo", "", "", 1, 2, 3},
        // Lenient where a hand edit might differ: tag case, extra blanks, leading zeros, no blank after comma.
        Accepted{"appletalk pap;  010\t2   3 ,Laser:LaserWriter@Sales", "Laser", "LaserWriter", "Sales", 10, 2, 3}));

class CrackRefused : public ::testing::TestWithParam<std::string> {};

TEST_P(CrackRefused, ReturnsNonZeroAndLeavesTheTupleUntouched) {
    _NBPTuple t = filledWith('x');
    const _NBPTuple before = t;
    EXPECT_NE(NBPCrackProfileString(GetParam().c_str(), &t), 0);
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
}

INSTANTIATE_TEST_SUITE_P(
    MalformedValues, CrackRefused,
    ::testing::Values("", "AppleTalk PAP", "AppleTalk PAP;", "AppleTalk ADSP; 1 2 3, a:b@c",
                      "AppleTalk PAP 1 2 3, a:b@c", "AppleTalk PAP; 1 2, a:b@c", "AppleTalk PAP; 1 2 3 a:b@c",
                      "AppleTalk PAP; 1 2 3,", "AppleTalk PAP; -1 2 3, a:b@c", "AppleTalk PAP; +1 2 3, a:b@c",
                      "AppleTalk PAP; 65536 2 3, a:b@c", "AppleTalk PAP; 1 256 3, a:b@c",
                      "AppleTalk PAP; 1 2 256, a:b@c", "AppleTalk PAP; 99999999999999999999 2 3, a:b@c",
                      "AppleTalk PAP; 1 2 3, a:b", "AppleTalk PAP; 1 2 3, a@c", "AppleTalk PAP; 1 2 3, b@c:d",
                      "AppleTalk PAP; 1 2 3, :LaserWriter@Sales", "AppleTalk PAP; 1x 2 3, a:b@c",
                      written(std::string(34, 'o').c_str(), "T", "Z", 1, 2, 3),
                      written("o", std::string(34, 't').c_str(), "Z", 1, 2, 3),
                      written("o", "T", std::string(34, 'z').c_str(), 1, 2, 3),
                      written(std::string(300, 'o').c_str(), "T", "Z", 1, 2, 3)));

TEST(NBPCrackProfileString, RefusesNullArguments) {
    _NBPTuple t;
    EXPECT_NE(NBPCrackProfileString(nullptr, &t), 0);
    EXPECT_NE(NBPCrackProfileString("AppleTalk PAP; 1 2 3, a:b@c", nullptr), 0);
}

TEST(NBPCrackProfileString, ReadsBackEveryAddressCornerAsWritten) {
    const unsigned networks[] = {0, 1, 255, 256, 4096, 65534, 65535};
    const unsigned bytes[] = {0, 1, 127, 128, 254, 255};
    for (unsigned net : networks)
        for (unsigned b : bytes) {
            _NBPTuple t;
            const std::string value = written("P", "LaserWriter", "Z", net, b, 255 - b);
            ASSERT_EQ(NBPCrackProfileString(value.c_str(), &t), 0) << value;
            EXPECT_EQ(t.address.network, net);
            EXPECT_EQ(t.address.nodeID, b);
            EXPECT_EQ(t.address.socket, 255 - b);
        }
}

} // namespace
