// SPDX-License-Identifier: MIT
// What a node accepts from the link: the filtering rules, and malformed frames dropped and
// counted. Frames are handed in as a link would (receiveFrame) to a node holding id 20 on
// network 1, with socket 200 open.
#include "VirtualNetwork.h"
#include "support/Captures.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

namespace appletalk {
namespace {

using testing::operator+;
using testing::wireBytes;

struct NodeReceiveTest : ::testing::Test {
    testing::VirtualNetwork net;
    Node& node = net.addReadyNode(20);
    std::vector<Datagram> delivered;

    void SetUp() override {
        ASSERT_EQ(node.nodeId(), 20);
        node.setThisNet(1);
        ASSERT_TRUE(node.openSocket(200, [this](const Datagram& d) { delivered.push_back(d); }));
    }
};

std::vector<std::uint8_t> longFrame(std::uint8_t llapDestination, std::uint16_t network, std::uint8_t nodeId,
                                    std::uint8_t socket = 200) {
    const Datagram datagram{{network, nodeId, socket}, {1, 254, 6}, 6, 0, {0xAA}};
    return LlapFrame{llapDestination, 254, LlapFrame::kLongDdp, *DdpCodec::serializeLong(datagram)}.serialize().value();
}

std::vector<std::uint8_t> shortFrame(std::uint8_t llapDestination, std::uint8_t socket = 200) {
    const Datagram datagram{{0, 0, socket}, {0, 0, 6}, 6, 0, {0xAA}};
    return LlapFrame{llapDestination, 254, LlapFrame::kShortDdp, *DdpCodec::serializeShort(datagram)}
        .serialize()
        .value();
}

struct FilterRow {
    const char* what;
    std::vector<std::uint8_t> frame;
    bool accepted;
};

TEST_F(NodeReceiveTest, AcceptsOnlyFramesForThisNodeOnThisNetwork) {
    const std::vector<FilterRow> rows{
        {"short header to us", shortFrame(20), true},
        {"short header broadcast", shortFrame(255), true},
        {"short header to another node", shortFrame(21), false},
        {"short header to node 0", shortFrame(0), false},
        {"long header, network 0, to us", longFrame(20, 0, 20), true},
        {"long header, THIS-NET, to us", longFrame(20, 1, 20), true},
        {"long header, THIS-NET, broadcast", longFrame(20, 1, 255), true},
        {"long header in an LLAP broadcast, to us", longFrame(255, 1, 20), true},
        {"long header, network-wide broadcast", longFrame(255, 0, 255), true},
        {"long header to another network", longFrame(20, 2, 20), false},
        {"long header to another node", longFrame(20, 1, 21), false},
        {"long header to any router", longFrame(20, 1, 0), false},
        {"long header for us in an LLAP frame to another node", longFrame(21, 1, 20), false},
    };
    for (const FilterRow& row : rows) {
        delivered.clear();
        const auto notForUs = node.counters().framesNotForUs;
        node.receiveFrame(row.frame);
        EXPECT_EQ(delivered.size(), row.accepted ? 1u : 0u) << row.what;
        EXPECT_EQ(node.counters().framesNotForUs - notForUs, row.accepted ? 0u : 1u) << row.what;
    }
}

TEST_F(NodeReceiveTest, AShortHeaderTakesItsNodesFromTheLlapHeaderAndItsNetworkFromTHISNET) {
    node.receiveFrame(shortFrame(255));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].destination, (DdpAddress{1, 255, 200}));
    EXPECT_EQ(delivered[0].source, (DdpAddress{1, 254, 6}));
}

TEST_F(NodeReceiveTest, ADatagramForASocketNobodyOpenedIsCountedAndDropped) {
    node.receiveFrame(shortFrame(20, 201));
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(node.counters().datagramsNoSocket, 1u);
}

TEST_F(NodeReceiveTest, FramesOfOtherKindsAreIgnored) {
    node.receiveFrame(wireBytes("14 fe 84")); // RTS
    node.receiveFrame(wireBytes("14 fe 85")); // CTS
    node.receiveFrame(wireBytes("14 fe 03 00 06 c8 06 06 aa")); // not DDP
    EXPECT_EQ(node.counters().framesIgnored, 3u);
    EXPECT_TRUE(delivered.empty());
}

TEST_F(NodeReceiveTest, EveryTruncatedPrefixOfACapturedFrameIsDroppedAsMalformed) {
    for (const auto& row : testing::kCapturedFrames) {
        auto bytes = testing::frameBytes(row);
        if (bytes[2] != LlapFrame::kShortDdp) continue;
        bytes[0] = 20; // addressed to this node so that nothing else filters it out
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const auto malformed = node.counters().framesMalformed;
            node.receiveFrame(std::span<const std::uint8_t>(bytes).first(size));
            EXPECT_EQ(node.counters().framesMalformed, malformed + 1) << row.what << " cut to " << size;
        }
    }
    EXPECT_TRUE(delivered.empty());
}

TEST_F(NodeReceiveTest, EveryTruncatedPrefixOfACapturedLongDatagramIsDroppedAsMalformed) {
    for (const auto& row : testing::kCapturedLongDatagrams) {
        const auto ddp = wireBytes(row.header) + wireBytes(row.data);
        for (std::size_t size = 0; size < ddp.size(); ++size) {
            LlapFrame frame{20, 254, LlapFrame::kLongDdp, std::vector<std::uint8_t>(ddp.begin(), ddp.begin() + size)};
            const auto malformed = node.counters().framesMalformed;
            node.receiveFrame(frame.serialize().value());
            EXPECT_EQ(node.counters().framesMalformed, malformed + 1) << row.what << " cut to " << size;
        }
    }
}

TEST_F(NodeReceiveTest, BadLengthsOversizeDataAndBadChecksumsAreDroppedAndCounted) {
    auto lengthTooLong = shortFrame(20);
    lengthTooLong[4] += 1;
    auto lengthTooShort = shortFrame(20);
    lengthTooShort[4] -= 1;
    std::vector<std::uint8_t> oversize{20, 254, 1, 0x02, 0x50, 200, 6, 6}; // length 592: 587 bytes of data
    oversize.resize(3 + 592, 0x00);
    std::vector<std::uint8_t> overLlap(3 + 601, 0x00);
    overLlap[0] = 20;
    overLlap[2] = 1;
    auto badChecksum = longFrame(20, 1, 20);
    badChecksum.back() ^= 0xFF;
    for (const auto& frame : {lengthTooLong, lengthTooShort, oversize, overLlap, badChecksum}) node.receiveFrame(frame);
    EXPECT_EQ(node.counters().framesMalformed, 5u);
    EXPECT_EQ(node.counters().badChecksums, 1u);
    EXPECT_TRUE(delivered.empty());
}

TEST_F(NodeReceiveTest, ALongHeaderWithoutChecksumIsAccepted) {
    const Datagram datagram{{1, 20, 200}, {1, 254, 6}, 6, 0, {0xAA}};
    node.receiveFrame(LlapFrame{20, 254, 2, *DdpCodec::serializeLong(datagram, false)}.serialize().value());
    EXPECT_EQ(delivered.size(), 1u);
}

} // namespace
} // namespace appletalk
