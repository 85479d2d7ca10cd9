// SPDX-License-Identifier: MIT
// What the network subcommands make of the library's answers, without a network: zone
// lists, node information, the dispatch block's fields as the command reads them, the netinfo window hook and Ctrl-C.
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/commands/NetInfoCommand.h"
#include "tools/vidur/commands/ZonesCommand.h"

#include "Printable.h"
#include "tarvlib/DispatchBlockAccess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sstream>

namespace vidur::cli {
namespace {

TEST(ZonesOutput, SortsUnderTheNbpFoldAndDropsZonesThatFoldTheSame) {
    // A router may repeat zones while they change, in either case.
    const auto zones = ZonesCommand::sortedZones({"marketing",
                                                  "Z\x9F"
                                                  "rich",
                                                  "Engineering", "Marketing",
                                                  "\x8E"
                                                  "cole",
                                                  "ENGINEERING"});
    EXPECT_EQ(zones, (std::vector<std::string>{"ENGINEERING", "Marketing",
                                               "Z\x9F"
                                               "rich",
                                               "\x8E"
                                               "cole"}));
}

TEST(ZonesOutput, PrintsUtf8LinesOrAJsonArray) {
    EXPECT_EQ(ZonesCommand::format({"Caf\x8E", "Lager"}, false), "Caf\xC3\xA9\nLager\n");
    EXPECT_EQ(ZonesCommand::format({"Caf\x8E", "a\"b"}, true), "[\"Caf\xC3\xA9\",\"a\\\"b\"]\n");
    EXPECT_EQ(ZonesCommand::format({}, true), "[]\n");
}

struct NodeCase {
    NetInfoCommand::Info info;
    std::string text;
};

void PrintTo(const NodeCase& row, std::ostream* out) {
    *out << row.info.network << "." << row.info.node << " " << row.info.rangeFirst << "-" << row.info.rangeLast;
}

class NetInfoText : public ::testing::TestWithParam<NodeCase> {};

TEST_P(NetInfoText, ShowsTheAddressInDecimalAndPaddedHexadecimal) {
    EXPECT_EQ(NetInfoCommand::format(GetParam().info, false), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, NetInfoText,
    ::testing::Values(NodeCase{{10, 25, 10, 19, "Sales"},
                               "address:  10.25 (000A 19)\nzone:     Sales\nrange:    10-19\n"},
                      NodeCase{{255, 254, 255, 300,
                                "Z\x9F"
                                "rich"},
                               "address:  255.254 (00FF FE)\nzone:     Z\xC3\xBCrich\nrange:    255-300\n"},
                      NodeCase{{0, 0, 0, 0, ""}, "address:  0.0 (0000 00)\nzone:     (unknown)\nrange:    0-0\n"},
                      NodeCase{{65535, 255, 65279, 65534, "Z"},
                               "address:  65535.255 (FFFF FF)\nzone:     Z\nrange:    65279-65534\n"}));

TEST(NetInfoJson, CarriesNumbersAndAnEmptyZoneWhenUnknown) {
    EXPECT_EQ(NetInfoCommand::format({1, 130, 1, 1, ""}, true),
              R"({"network":1,"node":130,"address":"1.130","rangeFirst":1,"rangeLast":1,"zone":""})"
              "\n");
}

TEST(DispatchBlockAccess, ReadsAndWritesLittleEndianFieldsAtTheirOffsets) {
    using appletalk::api::DispatchBlockAccess;
    _DispatchBlock block;
    std::memset(&block, 0xAA, sizeof block);
    DispatchBlockAccess::prepareRequest(block, ATALK_CMD_PRINTER_STATUS);
    EXPECT_EQ(block.command, 0x0810u);
    EXPECT_EQ(block.cleared36, 0u);
    EXPECT_EQ(block.cleared44, 0u);
    EXPECT_EQ(block.result, static_cast<std::int32_t>(0xAAAAAAAA)) << "the result is the library's to write";
    DispatchBlockAccess::writeU32(block, DB_REQUEST_ID_OFFSET, 0x12345678);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
    EXPECT_EQ(bytes[52], 0x78);
    EXPECT_EQ(bytes[55], 0x12);
    EXPECT_EQ(DispatchBlockAccess::readU32(block, 52), 0x12345678u);
    EXPECT_EQ(DispatchBlockAccess::readU16(block, 52), 0x5678);
    EXPECT_EQ(DispatchBlockAccess::readU8(block, 54), 0x34);
    // Text stops at its terminator, or at the field's end when there is none.
    std::memcpy(reinterpret_cast<unsigned char*>(&block) + DB_STATUS_TEXT_OFFSET, "idle", 5);
    EXPECT_EQ(DispatchBlockAccess::readText(block, DB_STATUS_TEXT_OFFSET, DB_STATUS_TEXT_SIZE), "idle");
    EXPECT_EQ(DispatchBlockAccess::readText(block, DB_STATUS_TEXT_OFFSET, 2), "id");
}

TEST(DispatchBlockAccess, ATupleRoundTripsAtItsOffset) {
    using appletalk::api::DispatchBlockAccess;
    _DispatchBlock block{};
    _NBPTuple tuple{};
    std::strcpy(tuple.entity.object, "Laser");
    tuple.address = {300, 56, 130};
    DispatchBlockAccess::writeTuple(block, DB_STATUS_TUPLE_OFFSET, tuple);
    const _NBPTuple back = DispatchBlockAccess::readTuple(block, DB_STATUS_TUPLE_OFFSET);
    EXPECT_STREQ(back.entity.object, "Laser");
    EXPECT_EQ(back.address.network, 300);
    EXPECT_EQ(back.address.socket, 130);
}

TEST(StopSignal, CtrlCWakesAWaitAndTheOldHandlerComesBack) {
    {
        const StopSignal stop;
        EXPECT_FALSE(stop.waitFor(1));
        std::raise(SIGINT);
        EXPECT_TRUE(StopSignal::requested());
        EXPECT_TRUE(stop.waitFor(10000));
    }
    struct sigaction current {};
    ::sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

} // namespace
} // namespace vidur::cli
