// SPDX-License-Identifier: MIT
// Two or three nodes on one wire exchanging datagrams, on virtual time.
#include "VirtualNetwork.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::VirtualNetwork;
using testing::wireBytes;

struct NodeDatagramTest : ::testing::Test {
    VirtualNetwork net;
    testing::FrameRecorder& recorder = net.addRecorder();
    Node& a = net.addReadyNode(20);
    Node& b = net.addReadyNode(30);
    std::vector<Datagram> atA;
    std::vector<Datagram> atB;

    void SetUp() override {
        ASSERT_TRUE(a.openSocket(200, [this](const Datagram& d) { atA.push_back(d); }));
        ASSERT_TRUE(b.openSocket(6, [this](const Datagram& d) { atB.push_back(d); }));
        recorder.collect();
        recorder.frames.clear();
    }
};

TEST_F(NodeDatagramTest, OnThisNetworkADatagramTravelsWithAShortHeaderToTheNode) {
    ASSERT_EQ(a.send(Datagram{{0, 30, 6}, {0, 0, 200}, 6, 0, wireBytes("05 00 00 00 00 00 00")}), SendResult::Sent);
    net.driver.runUntilIdle();
    ASSERT_EQ(recorder.collect().size(), 1u);
    EXPECT_EQ(recorder.frames[0], wireBytes("1e 14 01 | 00 0c 06 c8 06 | 05 00 00 00 00 00 00"));
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(atB[0].source, (DdpAddress{0, 20, 200}));
    EXPECT_EQ(atB[0].destination, (DdpAddress{0, 30, 6}));
    EXPECT_EQ(atB[0].type, 6);
}

TEST_F(NodeDatagramTest, AReplyToTheSourceAddressComesBack) {
    b.closeSocket(6);
    b.openSocket(6, [this](const Datagram& request) {
        b.send(Datagram{request.source, {0, 0, 6}, request.type, 0, {0x42}});
    });
    a.send(Datagram{{0, 30, 6}, {0, 0, 200}, 6, 0, {0x01}});
    net.driver.runUntilIdle();
    ASSERT_EQ(atA.size(), 1u);
    EXPECT_EQ(atA[0].source, (DdpAddress{0, 30, 6}));
    EXPECT_EQ(atA[0].data, std::vector<std::uint8_t>{0x42});
}

TEST_F(NodeDatagramTest, THISNETIsStampedAsTheSourceNetwork) {
    a.setThisNet(1);
    b.setThisNet(1);
    a.send(Datagram{{1, 30, 6}, {0, 0, 200}, 2, 0, {}});
    net.driver.runUntilIdle();
    ASSERT_EQ(recorder.collect().size(), 1u);
    EXPECT_EQ(recorder.frames[0][2], LlapFrame::kShortDdp);
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(atB[0].source, (DdpAddress{1, 20, 200}));
}

TEST_F(NodeDatagramTest, ALongHeaderOnThisNetworkIsSentWhenAskedAndCarriesAChecksum) {
    a.setThisNet(1);
    b.setThisNet(1);
    a.send(Datagram{{1, 30, 6}, {0, 0, 200}, 3, 0, {1, 2, 3}}, {.longHeader = true});
    net.driver.runUntilIdle();
    ASSERT_EQ(recorder.collect().size(), 1u);
    const auto& frame = recorder.frames[0];
    EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 3), wireBytes("1e 14 02"));
    EXPECT_NE(frame[5] << 8 | frame[6], 0);
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(atB[0].source, (DdpAddress{1, 20, 200}));
    EXPECT_EQ(atB[0].data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(NodeDatagramTest, OffThisNetworkALongHeaderGoesToARouter) {
    a.setThisNet(1);
    a.setARouter(30);
    b.setThisNet(1);
    std::vector<Datagram> forwarded;
    b.setForwardHandler([&](const Datagram& d) { forwarded.push_back(d); });
    a.send(Datagram{{2, 130, 130}, {0, 0, 200}, 3, 0, {7}});
    net.driver.runUntilIdle();
    ASSERT_EQ(recorder.collect().size(), 1u);
    const auto parsed = DdpCodec::parseLong(std::span<const std::uint8_t>(recorder.frames[0]).subspan(3));
    EXPECT_EQ(recorder.frames[0][0], 30);
    EXPECT_EQ(recorder.frames[0][2], LlapFrame::kLongDdp);
    ASSERT_TRUE(parsed.datagram);
    EXPECT_EQ(parsed.datagram->destination, (DdpAddress{2, 130, 130}));
    EXPECT_EQ(parsed.datagram->source, (DdpAddress{1, 20, 200}));
    ASSERT_EQ(forwarded.size(), 1u);
    EXPECT_EQ(forwarded[0], *parsed.datagram);
    EXPECT_TRUE(atB.empty());
}

TEST_F(NodeDatagramTest, ARouterForwardingKeepsTheOriginalSource) {
    b.setThisNet(1);
    a.setThisNet(1);
    b.send(Datagram{{1, 20, 200}, {5, 99, 130}, 3, 2, {9}}, {.keepSource = true});
    net.driver.runUntilIdle();
    ASSERT_EQ(atA.size(), 1u);
    EXPECT_EQ(atA[0].source, (DdpAddress{5, 99, 130}));
    EXPECT_EQ(atA[0].hopCount, 2);
}

TEST_F(NodeDatagramTest, ABroadcastReachesEveryOtherNodeButNotTheSender) {
    Node& c = net.addReadyNode(40);
    std::vector<Datagram> atC;
    c.openSocket(6, [&](const Datagram& d) { atC.push_back(d); });
    bool echoed = false;
    a.openSocket(6, [&](const Datagram&) { echoed = true; });
    a.send(Datagram{{0, 255, 6}, {0, 0, 200}, 6, 0, {}});
    net.driver.runUntilIdle();
    EXPECT_EQ(atB.size(), 1u);
    EXPECT_EQ(atC.size(), 1u);
    EXPECT_FALSE(echoed);
    EXPECT_EQ(recorder.collect().back()[0], 0xFF);
}

TEST_F(NodeDatagramTest, ADatagramForThisNodeItselfIsDeliveredWithoutTheWire) {
    a.openSocket(6, [&](const Datagram& d) { atA.push_back(d); });
    EXPECT_EQ(a.send(Datagram{{0, 20, 6}, {0, 0, 200}, 2, 0, {1}}), SendResult::Sent);
    EXPECT_TRUE(atA.empty()); // on the next poll, never inside send
    net.driver.runUntilIdle();
    ASSERT_EQ(atA.size(), 1u);
    EXPECT_EQ(atA[0].source, (DdpAddress{0, 20, 200}));
    EXPECT_TRUE(recorder.collect().empty());
}

TEST_F(NodeDatagramTest, SendRefusesWhatCannotBeSent) {
    EXPECT_EQ(a.send(Datagram{{0, 30, 0}, {0, 0, 200}, 2, 0, {}}), SendResult::BadAddress);
    EXPECT_EQ(a.send(Datagram{{0, 30, 255}, {0, 0, 200}, 2, 0, {}}), SendResult::BadAddress);
    EXPECT_EQ(a.send(Datagram{{0, 30, 6}, {0, 0, 0}, 2, 0, {}}), SendResult::BadAddress);
    EXPECT_EQ(a.send(Datagram{{0, 30, 6}, {0, 0, 200}, 2, 0, std::vector<std::uint8_t>(587)}), SendResult::DataTooLong);
    EXPECT_EQ(a.send(Datagram{{0, 30, 6}, {0, 0, 200}, 2, 16, {}}, {.longHeader = true}), SendResult::DataTooLong);
    EXPECT_EQ(a.send(Datagram{{0, 0, 6}, {0, 0, 200}, 2, 0, {}}), SendResult::NoRoute);
    a.setThisNet(1); // a network known, and no router for another
    EXPECT_EQ(a.send(Datagram{{9, 30, 6}, {0, 0, 200}, 2, 0, {}}), SendResult::NoRoute);
    EXPECT_EQ(a.counters().sendFailures, 7u);
    EXPECT_EQ(a.send(Datagram{{0, 30, 6}, {0, 0, 200}, 2, 0, std::vector<std::uint8_t>(586)}), SendResult::Sent);
    net.driver.runUntilIdle();
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(atB[0].data.size(), 586u);
}

// No router has told it its network: the addressee may be on this cable under any number
// (behind a bridge), so it goes straight there in a long header, which the addressee judges.
TEST_F(NodeDatagramTest, ANodeWithoutANetworkNumberSendsToAnotherNetworkDirectly) {
    ASSERT_EQ(a.send(Datagram{{0xFF37, 30, 6}, {0, 0, 200}, 6, 0, {1}}), SendResult::Sent);
    net.driver.runUntilIdle();
    ASSERT_EQ(recorder.collect().size(), 1u);
    EXPECT_EQ(recorder.frames[0][0], 30); // LLAP destination: the node itself
    EXPECT_EQ(recorder.frames[0][2], LlapFrame::kLongDdp);
    EXPECT_TRUE(atB.empty()); // network 0xFF37 is not B's
}

TEST_F(NodeDatagramTest, StaticSocketsAreOpenedByNumberAndDynamicOnesHandedOutInTurn) {
    const auto handler = [](const Datagram&) {};
    EXPECT_FALSE(a.openSocket(200, handler)); // already open
    EXPECT_FALSE(a.openSocket(0, handler));
    EXPECT_FALSE(a.openSocket(255, handler));
    EXPECT_FALSE(a.openSocket(2, nullptr));
    EXPECT_TRUE(a.openSocket(2, handler));
    const std::uint8_t first = a.openDynamicSocket(handler);
    EXPECT_EQ(first, 128);
    EXPECT_TRUE(a.closeSocket(first));
    EXPECT_FALSE(a.closeSocket(first));
    EXPECT_EQ(a.openDynamicSocket(handler), 129); // the one just closed is not reused at once
    int opened = 2; // 129 and 200 are open
    while (a.openDynamicSocket(handler) != 0) ++opened;
    EXPECT_EQ(opened, 127);
    EXPECT_TRUE(a.isSocketOpen(254));
}

TEST_F(NodeDatagramTest, AHandlerMayCloseItsOwnSocketWhileRunning) {
    int calls = 0;
    b.openSocket(7, [&](const Datagram&) {
        ++calls;
        b.closeSocket(7);
    });
    a.send(Datagram{{0, 30, 7}, {0, 0, 200}, 2, 0, {}});
    a.send(Datagram{{0, 30, 7}, {0, 0, 200}, 2, 0, {}});
    net.driver.runUntilIdle();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(b.counters().datagramsNoSocket, 1u);
}

TEST_F(NodeDatagramTest, ServiceTimersRunOnTheNodeClock) {
    int fired = 0;
    b.timers().scheduleAfter(10s, [&] { ++fired; });
    net.driver.advance(9999ms);
    EXPECT_EQ(fired, 0);
    net.driver.advance(1ms);
    EXPECT_EQ(fired, 1);
}

} // namespace
} // namespace appletalk

namespace appletalk {
namespace {

TEST(NodeOnABadWireTest, IdsStayDistinctAndDatagramsArriveIntactDespiteLossDuplicatesAndReordering) {
    testing::VirtualNetwork net(99);
    net.wire.setImpairments({.lossRate = 0.2, .duplicateRate = 0.2, .delay = 1ms, .jitter = 20ms});
    Node& holder = net.addReadyNode(5);
    Node& newcomer = net.addReadyNode(5);
    ASSERT_TRUE(newcomer.isReady());
    EXPECT_NE(newcomer.nodeId(), holder.nodeId());
    std::vector<int> received;
    holder.openSocket(6, [&](const Datagram& d) {
        ASSERT_EQ(d.data.size(), 2u);
        received.push_back(d.data[0] << 8 | d.data[1]);
    });
    for (int n = 0; n < 100; ++n) {
        const auto sent = newcomer.send(Datagram{{0, holder.nodeId(), 6},
                                                 {0, 0, 200},
                                                 2,
                                                 0,
                                                 {static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}});
        ASSERT_EQ(sent, SendResult::Sent);
        net.driver.advance(1ms);
    }
    net.driver.advance(1s);
    const auto counters = net.wire.counters();
    EXPECT_GT(counters.copiesLost, 0u);
    EXPECT_GT(counters.copiesDuplicated, 0u);
    EXPECT_FALSE(std::is_sorted(received.begin(), received.end()));
    EXPECT_TRUE(std::all_of(received.begin(), received.end(), [](int n) { return n >= 0 && n < 100; }));
    EXPECT_EQ(holder.counters().framesMalformed, 0u);
}

} // namespace
} // namespace appletalk
