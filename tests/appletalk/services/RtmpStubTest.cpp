// SPDX-License-Identifier: MIT
// The RTMP stub learning THIS-NET and A-ROUTER, and forgetting the router when it goes quiet.
#include "ScriptedRouter.h"
#include "support/ServiceNetwork.h"

#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/services/rtmp/RtmpStub.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ScriptedRouter;
using testing::ServiceNetwork;

struct RtmpStubTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    std::vector<SteadyTime> requestTimes;
    int changes = 0;

    void SetUp() override {
        net.dropRule = [this](const Datagram& d) {
            if (d.type == 5) requestTimes.push_back(net.clock.now());
            return false;
        };
    }
};

TEST_F(RtmpStubTest, WithoutARouterItAsksThreeTimesOneSecondApartAndStaysOnNetworkZero) {
    RtmpStub stub{client};
    ASSERT_TRUE(stub.start());
    net.advance(10s);
    ASSERT_EQ(requestTimes.size(), 3u);
    EXPECT_EQ(requestTimes[1] - requestTimes[0], 1s);
    EXPECT_EQ(requestTimes[2] - requestTimes[1], 1s);
    EXPECT_FALSE(stub.hasRouter());
    EXPECT_EQ(client.thisNet(), 0);
}

TEST_F(RtmpStubTest, TheRoutersResponseSetsThisNetAndARouterAndStopsTheRequests) {
    Node& routerNode = net.addNode(254, NodeRole::Server);
    ScriptedRouter router{routerNode, 1, "LToUDP Zone"};
    RtmpStub stub{client};
    stub.setRouterChanged([this] { ++changes; });
    ASSERT_TRUE(stub.start());
    net.advance(5s);
    EXPECT_EQ(client.thisNet(), 1);
    EXPECT_EQ(client.aRouter(), 254);
    EXPECT_EQ(requestTimes.size(), 1u);
    EXPECT_EQ(changes, 1);
}

TEST_F(RtmpStubTest, RtmpDataKeepsTheRouterAndFiftySecondsOfSilenceForgetIt) {
    Node& routerNode = net.addNode(254, NodeRole::Server);
    ScriptedRouter router{routerNode, 7, "LToUDP Zone"};
    router.answering = false;
    RtmpStub stub{client};
    stub.setRouterChanged([this] { ++changes; });
    ASSERT_TRUE(stub.start());
    router.broadcastRtmpData();
    net.run();
    EXPECT_EQ(client.aRouter(), 254);
    EXPECT_EQ(client.thisNet(), 7);
    net.advance(40s);
    router.broadcastRtmpData();
    net.advance(49s);
    EXPECT_TRUE(stub.hasRouter()) << "each Data restarts the aging timer";
    net.advance(1s);
    EXPECT_FALSE(stub.hasRouter());
    EXPECT_EQ(client.thisNet(), 7) << "the cable keeps its number";
    EXPECT_EQ(changes, 2);
    router.broadcastRtmpData();
    net.run();
    EXPECT_TRUE(stub.hasRouter()) << "a router that speaks again is learnt again";
}

TEST_F(RtmpStubTest, OtherNodesRequestsAreIgnored) {
    Node& other = net.addNode(30);
    RtmpStub stub{client};
    ASSERT_TRUE(stub.start());
    net.advance(5s);
    const std::size_t before = requestTimes.size();
    other.send(Datagram{{0, 255, 1}, {0, 0, 1}, 5, 0, rtmp::RtmpRequest{}.serialize()});
    net.advance(5s);
    EXPECT_EQ(requestTimes.size(), before + 1) << "nobody answered the other node";
    EXPECT_FALSE(stub.hasRouter());
    EXPECT_EQ(stub.routerPackets(), 0u);
}

TEST_F(RtmpStubTest, AStubStartedBeforeTheNodeHasItsIdAsksOnceItHasOne) {
    ServiceNetwork fresh;
    NodeConfig config;
    config.acquisition.preferredId = 40;
    config.seed = 9;
    auto link = fresh.wire.connect();
    Node node(fresh.clock, *link, config);
    fresh.driver.add(node);
    RtmpStub stub{node};
    ASSERT_TRUE(stub.start());
    EXPECT_FALSE(stub.start()) << "started once";
    node.start();
    fresh.advance(10s);
    EXPECT_TRUE(node.isReady());
    EXPECT_EQ(stub.requestsSent(), 3u);
    fresh.driver.remove(node);
}

} // namespace
} // namespace appletalk
