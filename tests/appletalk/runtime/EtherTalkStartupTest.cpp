// SPDX-License-Identifier: MIT
// A client node's start on an EtherTalk cable, against the simulator's router and devices on
// an in-process Ethernet, on virtual time: GetNetInfo for the remembered zone, an address in
// the cable's range (one a device holds is given up), the zone list, a look-up and printer
// status across the router to a LocalTalk network.
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/nbp/NbpTuple.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/NodeNetwork.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SimInternet.h"
#include "support/EtherTalkScenario.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace appletalk::runtime {
namespace {

class EtherTalkCable : public ::testing::Test {
protected:
    EtherTalkCable() : driver(clock), ethernet(clock) {
        sim::ScenarioError error;
        scenario = sim::Scenario::parse(appletalk::testing::kEtherTalkScenario, "test", error);
        EXPECT_TRUE(scenario) << error.describe();
        internet = std::make_unique<sim::SimInternet>(
            clock, *scenario, [this] { return station(); }, 3);
        driver.add(*internet);
        internet->start();
        EXPECT_TRUE(driver.advanceUntil([this] { return internet->isReady(); }, 30s));
    }
    ~EtherTalkCable() override {
        if (network) network.reset();
        if (node) driver.remove(*node);
        driver.remove(*internet);
    }

    std::unique_ptr<Link> station() {
        auto link = ethernet.connect();
        link->setHardwareAddress(MacAddress{{0x02, 0, 0, 0, 0, ++stations}});
        return link;
    }

    void startClient(ExtendedMemory memory) {
        clientLink = station();
        NodeConfig config;
        config.seed = 11;
        config.acquisition.preferredId = memory.node;
        node = std::make_unique<Node>(clock, *clientLink, config);
        driver.add(*node);
        memory.save = [this](const ExtendedMemory& now) { saved = now; };
        network = std::make_unique<NodeNetwork>(*node, NodeNetworkTiming{}, NodeNetwork::Gate{}, memory);
        bool started = false;
        network->whenStarted([&started](bool) { started = true; });
        ASSERT_TRUE(driver.advanceUntil([&started] { return started; }, 30s));
    }

    // The devices a look-up of `pattern` finds, once it has ended.
    std::vector<nbp::NbpTuple> lookUp(const nbp::NbpName& pattern) {
        std::vector<nbp::NbpTuple> found;
        bool looked = false;
        network->lookup(
            pattern, LookupParameters{1s, 2, 10}, [&](const nbp::NbpTuple& tuple) { found.push_back(tuple); },
            [&](int) { looked = true; });
        EXPECT_TRUE(driver.advanceUntil([&] { return looked; }, 30s));
        return found;
    }

    ManualClock clock;
    VirtualTimeDriver driver;
    MemoryWire ethernet;
    std::uint8_t stations = 0;
    std::optional<sim::Scenario> scenario;
    std::unique_ptr<sim::SimInternet> internet;
    std::unique_ptr<Link> clientLink;
    std::unique_ptr<Node> node;
    std::unique_ptr<NodeNetwork> network;
    std::optional<ExtendedMemory> saved;
};

TEST_F(EtherTalkCable, StartsInTheRememberedZoneAndGivesUpAnAddressADeviceHolds) {
    // Last time this node was 3.130; the printer "Near" holds that now.
    startClient(ExtendedMemory{3, 130, "EtherTalk B", {}});
    const auto info = network->nodeInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->rangeFirst, 3);
    EXPECT_EQ(info->rangeLast, 5);
    EXPECT_GE(info->network, 3);
    EXPECT_LE(info->network, 5);
    EXPECT_FALSE(info->network == 3 && info->node == 130);
    EXPECT_EQ(info->zone, "EtherTalk B");
    EXPECT_TRUE(info->hasRouter);
    EXPECT_GE(node->aarp()->counters().conflicts, 1u);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->network, info->network);
    EXPECT_EQ(saved->node, info->node);
    EXPECT_EQ(saved->zone, "EtherTalk B");
}

TEST_F(EtherTalkCable, AZoneNoLongerThereGivesTheDefaultZoneAndEverythingWorksAcrossTheRouter) {
    startClient(ExtendedMemory{0, 0, "Gone", {}});
    EXPECT_EQ(network->nodeInfo()->zone, "EtherTalk A");
    EXPECT_TRUE(network->nodeInfo()->hasRouter);

    std::vector<std::string> zones;
    bool listed = false;
    network->zoneList([&](int status, std::vector<std::string> list) {
        EXPECT_EQ(status, kOk);
        zones = std::move(list);
        listed = true;
    });
    ASSERT_TRUE(driver.advanceUntil([&] { return listed; }, 30s));
    std::sort(zones.begin(), zones.end());
    EXPECT_EQ(zones, (std::vector<std::string>{"EtherTalk A", "EtherTalk B", "Lager"}));

    const auto found = lookUp(nbp::NbpName{"=", "LaserWriter", "Lager"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].network, 8);

    std::optional<std::string> status;
    bool answered = false;
    network->papStatus(DdpAddress{found[0].network, found[0].node, found[0].socket}, [&](int result, std::string text) {
        if (result == 0) status = std::move(text);
        answered = true;
    });
    ASSERT_TRUE(driver.advanceUntil([&] { return answered; }, 30s));
    EXPECT_EQ(status, "status: far away");
}

// The router sends a zone's look-ups to the zone's multicast address: a device hears them
// only because it asked GetNetInfo for that address and joined it.
TEST_F(EtherTalkCable, ALookUpInAZoneOfThisCableReachesItsDevicesByTheZoneMulticast) {
    startClient(ExtendedMemory{0, 0, "EtherTalk A", {}});
    const auto found = lookUp(nbp::NbpName{"=", "LaserWriter", "EtherTalk B"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name.object, "Near");
}

// Which of the cable's zones "*" means only the node knows: the router drops a BrRq that says
// "*", and the look-up names the node's own zone instead.
TEST_F(EtherTalkCable, AZoneLessLookUpNamesTheNodesZoneToTheRouterThatRefusesStar) {
    startClient(ExtendedMemory{0, 0, "EtherTalk B", {}});
    NbpLookup bare(*node);
    bool bareDone = false;
    ASSERT_TRUE(bare.start({"=", "LaserWriter", "*"}, {.transmissions = 2}, [&](NbpLookupStatus) { bareDone = true; }));
    ASSERT_TRUE(driver.advanceUntil([&] { return bareDone; }, 30s));
    EXPECT_TRUE(bare.results().empty());

    const auto found = lookUp(nbp::NbpName{"=", "LaserWriter", ""});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name.object, "Near");
    EXPECT_EQ(found[0].name.zone, "EtherTalk B");
}

} // namespace
} // namespace appletalk::runtime
