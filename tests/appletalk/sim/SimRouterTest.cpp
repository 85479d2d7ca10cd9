// SPDX-License-Identifier: MIT
// The router between several networks: zone lists over many pages, GetMyZone per port,
// look-ups and PAP status across it, and the forwarding rules (hop count, checksum).
#include "MiniClient.h"
#include "SimTestbed.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/sim/SimPrinter.h"
#include "appletalk/sim/SimRouter.h"

#include <gtest/gtest.h>

#include <set>

using namespace std::chrono_literals;

namespace appletalk::sim {
namespace {

std::vector<std::string> numberedZones(const std::string& prefix, int count) {
    std::vector<std::string> zones;
    for (int i = 1; i <= count; ++i) zones.push_back(prefix + " " + std::to_string(i));
    return zones;
}

struct RouterFixture : ::testing::Test {
    testing::SimTestbed bed;
    MemoryWire& wireA = bed.addWire();
    MemoryWire& wireB = bed.addWire();
    MemoryWire& wireC = bed.addWire();
    SimRouter router{bed.clock, 254, 11};

    void startRouter() {
        bed.driver.add(router);
        router.start();
        ASSERT_TRUE(bed.driver.advanceUntil([this] { return router.isReady(); }, 10s));
    }
    void TearDown() override { bed.driver.remove(router); }
};

struct ManyZonesTest : RouterFixture {
    void SetUp() override {
        router.addPort(wireA.connect(), RouterPortConfig::localTalk(1, "Lobby"));
        auto second = numberedZones("Lab", 200);
        router.addPort(wireB.connect(), RouterPortConfig::extendedRange(10, 12, second, "Lab 7"));
        auto third = numberedZones("Floor Twenty-Something Wing", 99);
        third.push_back("lab 3"); // the same zone as "Lab 3" under the NBP fold: listed once
        router.addPort(wireC.connect(), RouterPortConfig::extendedRange(20, 25, third));
        startRouter();
    }
};

TEST_F(ManyZonesTest, GetZoneListPagesThroughThreeHundredZonesEachOnceWithLastFlagOnTheFinalPage) {
    Node& client = bed.addClient(wireA, 20, 1, 254);
    testing::MiniClient mini(client, bed.driver);
    std::vector<std::string> zones;
    std::uint16_t index = 1;
    int pages = 0;
    for (;;) {
        const auto page = mini.zip(zip::ZipAtpRequest::getZoneList(index));
        ASSERT_TRUE(page.has_value()) << "no answer at index " << index;
        ASSERT_LT(++pages, 100);
        std::size_t bytes = 0;
        for (const auto& zone : page->zones) bytes += 1 + zone.size();
        EXPECT_LE(bytes, kMaxAtpData);
        zones.insert(zones.end(), page->zones.begin(), page->zones.end());
        index = static_cast<std::uint16_t>(index + page->zones.size());
        if (page->last) break;
        ASSERT_FALSE(page->zones.empty());
    }
    EXPECT_GT(pages, 2);
    ASSERT_EQ(zones.size(), 300u);
    EXPECT_EQ(zones.front(), "Lobby");
    EXPECT_EQ(zones[1], "Lab 1");
    EXPECT_EQ(zones.back(), "Floor Twenty-Something Wing 99");
    EXPECT_EQ(std::set<std::string>(zones.begin(), zones.end()).size(), 300u);

    const auto past = mini.zip(zip::ZipAtpRequest::getZoneList(400));
    ASSERT_TRUE(past.has_value());
    EXPECT_TRUE(past->last);
    EXPECT_TRUE(past->zones.empty());
}

TEST_F(ManyZonesTest, GetMyZoneNamesThePortsZoneAndGetLocalZonesListsOnlyThatCable) {
    Node& onLocalTalk = bed.addClient(wireA, 20, 1, 254);
    Node& onExtended = bed.addClient(wireB, 21, 10, 254);
    testing::MiniClient a(onLocalTalk, bed.driver);
    testing::MiniClient b(onExtended, bed.driver);

    const auto mine = a.zip(zip::ZipAtpRequest::getMyZone());
    ASSERT_TRUE(mine.has_value());
    EXPECT_EQ(mine->zones, std::vector<std::string>{"Lobby"});
    EXPECT_FALSE(mine->last);

    const auto extendedDefault = b.zip(zip::ZipAtpRequest::getMyZone());
    ASSERT_TRUE(extendedDefault.has_value());
    EXPECT_EQ(extendedDefault->zones, std::vector<std::string>{"Lab 7"});

    std::vector<std::string> local;
    for (std::uint16_t index = 1;;) {
        const auto page = b.zip(zip::ZipAtpRequest::getLocalZones(index));
        ASSERT_TRUE(page.has_value());
        local.insert(local.end(), page->zones.begin(), page->zones.end());
        index = static_cast<std::uint16_t>(index + page->zones.size());
        if (page->last || page->zones.empty()) break;
    }
    EXPECT_EQ(local, numberedZones("Lab", 200));
}

struct AcrossTheRouterTest : RouterFixture {
    std::unique_ptr<SimPrinter> printer;

    void SetUp() override {
        router.addPort(wireA.connect(), RouterPortConfig::localTalk(1, "Engineering"));
        router.addPort(wireB.connect(), RouterPortConfig::localTalk(2, "Marketing"));
        startRouter();
        PrinterBehaviour behaviour;
        behaviour.name = "Finance LaserWriter";
        printer = std::make_unique<SimPrinter>(
            bed.clock, [this] { return wireB.connect(); },
            DevicePlacement{2, 254, 130, "Marketing", 5, ProbeTiming::standard()}, behaviour);
        bed.driver.add(*printer);
        printer->start();
        ASSERT_TRUE(bed.driver.advanceUntil([this] { return printer->isReady(); }, 10s));
    }
    void TearDown() override {
        bed.driver.remove(*printer);
        RouterFixture::TearDown();
    }
};

TEST_F(AcrossTheRouterTest, ABrRqFromAnotherNetworkFindsThePrinterAndItsStatusComesBackThroughTheRouter) {
    Node& client = bed.addClient(wireA, 20, 1, 254);
    testing::MiniClient mini(client, bed.driver);
    const auto found = mini.lookup({"=", "LaserWriter", "Marketing"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name.object, "Finance LaserWriter");
    EXPECT_EQ(found[0].network, 2);
    EXPECT_EQ(found[0].node, 130);
    EXPECT_EQ((DdpAddress{found[0].network, found[0].node, found[0].socket}), printer->entityAddress());

    const auto forwardedBefore = router.counters().forwarded;
    EXPECT_EQ(mini.papStatus({found[0].network, found[0].node, found[0].socket}), "status: idle");
    EXPECT_GE(router.counters().forwarded, forwardedBefore + 2); // the request there, the status back
}

TEST_F(AcrossTheRouterTest, ALookUpInTheClientsOwnZoneDoesNotReachThePrinterOnTheOtherNetwork) {
    Node& client = bed.addClient(wireA, 20, 1, 254);
    testing::MiniClient mini(client, bed.driver);
    EXPECT_TRUE(mini.lookup({"=", "LaserWriter", "*"}).empty());
    EXPECT_TRUE(mini.lookup({"=", "LaserWriter", "Engineering"}).empty());
    EXPECT_TRUE(mini.lookup({"=", "LaserWriter", "Nowhere"}).empty());
    EXPECT_EQ(mini.lookup({"=", "LaserWriter", "marketing"}).size(), 1u);
}

struct ForwardingTest : RouterFixture {
    testing::RawStation* sender = nullptr;
    testing::RawStation* far = nullptr;

    void SetUp() override {
        router.addPort(wireA.connect(), RouterPortConfig::localTalk(1, "Engineering"));
        router.addPort(wireB.connect(), RouterPortConfig::localTalk(2, "Marketing"));
        sender = &bed.addRaw(wireA);
        far = &bed.addRaw(wireB);
        startRouter();
        sender->take();
        far->take();
    }

    // A long-header datagram from node 20 on net 1 to node 40 on `network`, through node 254.
    void sendThrough(std::uint16_t network, std::uint8_t hops) {
        const Datagram datagram{{network, 40, 200}, {1, 20, 200}, 4, hops, {1, 2, 3}};
        const auto ddp = DdpCodec::serializeLong(datagram, false);
        ASSERT_TRUE(ddp.has_value());
        sender->send(*LlapFrame{254, 20, LlapFrame::kLongDdp, *ddp}.serialize());
        bed.driver.runUntilIdle();
    }

    std::vector<Datagram> arrivedFar() {
        std::vector<Datagram> datagrams;
        for (const auto& bytes : far->take()) {
            const auto frame = LlapFrame::parse(bytes);
            if (!frame || frame->type != LlapFrame::kLongDdp) continue;
            const auto parsed = DdpCodec::parseLong(frame->data);
            EXPECT_TRUE(parsed.datagram.has_value()) << "bad checksum or length";
            if (parsed.datagram) datagrams.push_back(*parsed.datagram);
            EXPECT_EQ(frame->destination, 40);
            // The checksum is computed afresh, so it is never left at "none".
            EXPECT_NE(frame->data[2] | frame->data[3], 0);
        }
        return datagrams;
    }
};

TEST_F(ForwardingTest, ADatagramForAnotherNetworkLeavesWithOneMoreHopAndAFreshChecksum) {
    const struct {
        std::uint8_t hops;
        bool forwarded;
    } rows[] = {{0, true}, {7, true}, {14, true}, {15, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.hops));
        sendThrough(2, row.hops);
        const auto arrived = arrivedFar();
        ASSERT_EQ(arrived.size(), row.forwarded ? 1u : 0u);
        if (!row.forwarded) continue;
        EXPECT_EQ(arrived[0].hopCount, row.hops + 1);
        EXPECT_EQ(arrived[0].source, (DdpAddress{1, 20, 200}));
        EXPECT_EQ(arrived[0].destination, (DdpAddress{2, 40, 200}));
        EXPECT_EQ(arrived[0].data, (std::vector<std::uint8_t>{1, 2, 3}));
    }
    EXPECT_EQ(router.counters().droppedHopCount, 1u);
}

TEST_F(ForwardingTest, ADatagramForAnUnknownNetworkIsDropped) {
    sendThrough(77, 0);
    EXPECT_TRUE(arrivedFar().empty());
    EXPECT_EQ(router.counters().droppedNoRoute, 1u);
}

} // namespace
} // namespace appletalk::sim
