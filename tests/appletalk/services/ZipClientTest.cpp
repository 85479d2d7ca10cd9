// SPDX-License-Identifier: MIT
// The ZIP client against a scripted router: its zone, the paged zone list, GetNetInfo, and
// what happens with no router or a silent one.
#include "ScriptedRouter.h"
#include "support/ServiceNetwork.h"

#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/zip/ZipClient.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ScriptedRouter;
using testing::ServiceNetwork;

// "Zone 001 of network 1 ......": long enough that a page holds about twenty.
std::string zoneName(int number, int network) {
    char name[40];
    std::snprintf(name, sizeof name, "Zone %03d of network %d ....", number, network);
    return name;
}

struct ZipClientTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& routerNode = net.addNode(254, NodeRole::Server);
    ScriptedRouter router{routerNode, 1, "LToUDP Zone"};
    ZipClient zip{client, {.retryInterval = 2s, .retries = 3}};
    std::vector<ZipStatus> completions;
    std::vector<std::string> expected; // the zone list without duplicates

    void SetUp() override {
        client.setThisNet(1);
        client.setARouter(routerNode.nodeId());
        // Three networks, 300 zones; network 3 repeats five of network 1's in another case.
        for (int network = 1; network <= 3; ++network) {
            for (int i = 1; i <= 100; ++i) {
                router.networks[network].push_back(zoneName(i, network));
                expected.push_back(zoneName(i, network));
            }
        }
        for (int i = 1; i <= 5; ++i) {
            std::string again = zoneName(i, 1);
            for (char& c : again) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            router.networks[3].push_back(again);
        }
    }

    ZipClient::Completion record() {
        return [this](ZipStatus status) { completions.push_back(status); };
    }
};

TEST_F(ZipClientTest, GetMyZoneAndGetLocalZonesAskTheRoutersSocketSixForTheCableZone) {
    ASSERT_TRUE(zip.getMyZone(record()));
    net.run();
    ASSERT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
    EXPECT_EQ(zip.zones(), std::vector<std::string>{"LToUDP Zone"});
    ASSERT_EQ(router.zipSources.size(), 1u);
    EXPECT_EQ(router.zipSources[0].node, client.nodeId());
    ASSERT_TRUE(zip.getLocalZones(record()));
    net.run();
    EXPECT_EQ(completions, (std::vector<ZipStatus>{ZipStatus::Ok, ZipStatus::Ok}));
    EXPECT_EQ(zip.zones(), std::vector<std::string>{"LToUDP Zone"});
    EXPECT_TRUE(router.zoneListIndexes.empty()) << "neither asked for the internet's list";
    EXPECT_EQ(zip.requestsSent(), 3u) << "a second local page that repeats the first ends the list";
}

TEST_F(ZipClientTest, TheZoneListOfThreeNetworksIsPagedOverSeveralRequestsWithoutDuplicates) {
    ASSERT_TRUE(zip.getZoneList(record()));
    net.run();
    ASSERT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
    EXPECT_EQ(zip.zones(), expected);
    ASSERT_GE(router.zoneListIndexes.size(), 10u);
    EXPECT_EQ(router.zoneListIndexes.front(), 1);
    // Each index follows from the previous page's count, all pages from one client socket.
    const auto all = router.zoneList();
    for (std::size_t page = 1; page < router.zoneListIndexes.size(); ++page) {
        const auto previous = zip::ZipZoneListReply::page(all, router.zoneListIndexes[page - 1]);
        EXPECT_EQ(router.zoneListIndexes[page], router.zoneListIndexes[page - 1] + previous->zones.size());
    }
    for (const auto& source : router.zipSources) EXPECT_EQ(source, router.zipSources.front());
}

TEST_F(ZipClientTest, TheZoneListGrowsWhileItIsBeingFetched) {
    net.wire.setImpairments({.delay = 10ms});
    ASSERT_TRUE(zip.getZoneList(record()));
    std::vector<std::size_t> sizes;
    while (zip.isRunning() && sizes.size() < 1000) {
        net.advance(10ms);
        sizes.push_back(zip.zones().size());
    }
    ASSERT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
    EXPECT_EQ(zip.zones().size(), expected.size());
    const auto partial =
        std::count_if(sizes.begin(), sizes.end(), [&](std::size_t n) { return n > 0 && n < expected.size(); });
    EXPECT_GT(partial, 3);
}

TEST_F(ZipClientTest, AZoneListOverALossyWireIsStillComplete) {
    net.wire.setImpairments({.lossRate = 0.25, .duplicateRate = 0.1});
    ZipClient patient{client, {.retryInterval = 1s, .retries = 20}};
    ASSERT_TRUE(patient.getZoneList(record()));
    ASSERT_TRUE(net.advanceUntil([this] { return !completions.empty(); }, 10min));
    ASSERT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
    EXPECT_EQ(patient.zones(), expected);
}

TEST_F(ZipClientTest, WithoutARouterEveryZoneOperationEndsAtOnceWithNoZones) {
    client.setARouter(0);
    ASSERT_TRUE(zip.getMyZone(record()));
    EXPECT_TRUE(completions.empty()) << "reported from the next poll, never inside the call";
    net.run();
    ASSERT_TRUE(zip.getZoneList(record()));
    net.run();
    ASSERT_TRUE(zip.getLocalZones(record()));
    net.run();
    EXPECT_EQ(completions, (std::vector<ZipStatus>{ZipStatus::NoRouter, ZipStatus::NoRouter, ZipStatus::NoRouter}));
    EXPECT_TRUE(zip.zones().empty());
    EXPECT_EQ(zip.requestsSent(), 0u);
}

TEST_F(ZipClientTest, ASilentRouterEndsInTimeoutWithinTheRetryBudget) {
    router.answering = false;
    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(zip.getZoneList(record()));
    ASSERT_TRUE(net.advanceUntil([this] { return !completions.empty(); }, 1min));
    EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Timeout});
    EXPECT_EQ(net.clock.now() - begin, 8s);
}

// A router that answers every GetZoneList page with new zones, never the last.
struct EndlessZoneRouter {
    Node& node;
    std::size_t zonesPerPage;
    AtpResponder responder{node, 6, [this](const AtpIncomingRequest& request) {
                               const auto zip = zip::ZipAtpRequest::parse(request.payload.userBytes);
                               if (!zip) return AtpAnswer::ignore();
                               std::vector<std::string> zones;
                               for (std::size_t i = 0; i < zonesPerPage; ++i)
                                   zones.push_back("Z" + std::to_string(zip->startIndex) + "." + std::to_string(i));
                               return AtpAnswer::reply({*zip::ZipZoneListReply{false, zones}.serialize()});
                           }};
};

TEST(ZipClientLimits, AZoneListWithoutEndStopsAtTheZoneCapOrThePageCapWithAnError) {
    for (const std::size_t perPage : {std::size_t{1}, std::size_t{40}}) {
        ServiceNetwork net;
        Node& client = net.addNode(20);
        Node& routerNode = net.addNode(254, NodeRole::Server);
        EndlessZoneRouter router{routerNode, perPage};
        client.setARouter(254);
        ZipClient zip{client};
        std::vector<ZipStatus> completions;
        ASSERT_TRUE(zip.getZoneList([&](ZipStatus s) { completions.push_back(s); }));
        net.run();
        EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::TooManyZones}) << perPage;
        EXPECT_LE(zip.zones().size(), ZipClient::kMaxZones);
        EXPECT_LE(zip.requestsSent(), ZipClient::kMaxPages) << perPage;
    }
}

TEST(ZipClientLimits, ARouterThatAnswersOnlyUnreadableAtpPacketsIsABadReplyNotSilence) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& routerNode = net.addNode(254, NodeRole::Server);
    routerNode.openSocket(6, [&](const Datagram& d) {
        routerNode.send(Datagram{d.source, {0, 0, 6}, 3, 0, {0x40}}); // one byte: no ATP header
    });
    client.setARouter(254);
    ZipClient zip{client, {.retryInterval = 1s, .retries = 1}};
    std::vector<ZipStatus> completions;
    ASSERT_TRUE(zip.getZoneList([&](ZipStatus s) { completions.push_back(s); }));
    ASSERT_TRUE(net.advanceUntil([&] { return !completions.empty(); }, 1min));
    EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::BadReply});
    routerNode.closeSocket(6);
}

TEST_F(ZipClientTest, GetNetInfoLearnsTheRangeAndTheDefaultZone) {
    net.dropRule = testing::dropFirst(1, [](const Datagram& d) { return d.type == 6; });
    ASSERT_TRUE(zip.getNetInfo("", record()));
    ASSERT_TRUE(net.advanceUntil([this] { return !completions.empty(); }, 10s));
    ASSERT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
    ASSERT_TRUE(zip.netInfo());
    EXPECT_EQ(zip.netInfo()->rangeStart, 1);
    EXPECT_EQ(zip.netInfo()->rangeEnd, 1);
    EXPECT_EQ(zip.netInfo()->defaultZone, "LToUDP Zone");
}

TEST_F(ZipClientTest, GetNetInfoWithNobodyToAnswerTimesOut) {
    router.answering = false;
    ASSERT_TRUE(zip.getNetInfo("Somewhere", record()));
    ASSERT_TRUE(net.advanceUntil([this] { return !completions.empty(); }, 1min));
    EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Timeout});
    EXPECT_EQ(zip.requestsSent(), 4u);
}

TEST_F(ZipClientTest, OneOperationAtATimeAndACancelledOneNeverCallsBack) {
    router.answering = false;
    ASSERT_TRUE(zip.getZoneList(record()));
    EXPECT_FALSE(zip.getMyZone(record()));
    zip.cancel();
    EXPECT_EQ(zip.status(), ZipStatus::Cancelled);
    net.advance(1min);
    EXPECT_TRUE(completions.empty());
    router.answering = true;
    ASSERT_TRUE(zip.getMyZone(record()));
    net.run();
    EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::Ok});
}

} // namespace
} // namespace appletalk
