// SPDX-License-Identifier: MIT
// The client services against the simulated internet's built-in network: the RTMP stub finds
// the router, the ZIP client lists every zone of the scenario and this node's zone, look-ups
// go through the router's BrRq to other networks, and each printer found tells its status.
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/pap/PapStatusClient.h"
#include "appletalk/services/rtmp/RtmpStub.h"
#include "appletalk/services/zip/ZipClient.h"
#include "appletalk/sim/SimInternet.h"
#include "text/MacRoman.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

struct SimulatedInternetTest : ::testing::Test {
    ManualClock clock;
    VirtualTimeDriver driver{clock};
    sim::Scenario scenario = sim::Scenario::builtin();
    sim::SimInternet internet{clock, scenario, 3};
    std::unique_ptr<MemoryWireLink> link;
    std::unique_ptr<Node> client;
    std::unique_ptr<RtmpStub> stub;

    void SetUp() override {
        driver.add(internet);
        internet.start();
        ASSERT_TRUE(driver.advanceUntil([this] { return internet.isReady(); }, 30s));
        link = internet.connectClient();
        NodeConfig config;
        config.acquisition.preferredId = 20;
        config.seed = 77;
        client = std::make_unique<Node>(clock, *link, config);
        driver.add(*client);
        stub = std::make_unique<RtmpStub>(*client);
        ASSERT_TRUE(stub->start());
        client->start();
        ASSERT_TRUE(driver.advanceUntil([this] { return stub->hasRouter(); }, 30s));
    }

    void TearDown() override {
        stub.reset();
        if (client) driver.remove(*client);
        driver.remove(internet);
    }

    template <typename Done>
    void waitFor(Done done) {
        ASSERT_TRUE(driver.advanceUntil(done, 2min));
    }
};

TEST_F(SimulatedInternetTest, TheStubFindsTheRouterAndZipListsEveryZoneOfTheScenario) {
    EXPECT_EQ(client->thisNet(), scenario.clientNetwork);
    EXPECT_EQ(client->aRouter(), scenario.routerNode);
    ZipClient zip{*client};
    std::optional<ZipStatus> status;
    ASSERT_TRUE(zip.getZoneList([&](ZipStatus s) { status = s; }));
    waitFor([&] { return status.has_value(); });
    ASSERT_EQ(status, ZipStatus::Ok);
    for (const auto& network : scenario.networks)
        for (const auto& zone : network.zones)
            EXPECT_NE(std::find(zip.zones().begin(), zip.zones().end(), zone), zip.zones().end()) << zone;

    status.reset();
    ASSERT_TRUE(zip.getMyZone([&](ZipStatus s) { status = s; }));
    waitFor([&] { return status.has_value(); });
    ASSERT_EQ(status, ZipStatus::Ok);
    const auto* own = scenario.networkFor(scenario.clientNetwork);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(zip.zones().size(), 1u);
    EXPECT_TRUE(std::any_of(own->zones.begin(), own->zones.end(), [&](const std::string& zone) {
        return vidur::text::compareFolded(zone, zip.zones()[0]) == 0;
    }));
}

TEST_F(SimulatedInternetTest, EveryPrinterIsFoundInItsZoneAndTellsItsStatus) {
    ASSERT_FALSE(scenario.printers.empty());
    for (const auto& printer : scenario.printers) {
        SCOPED_TRACE(vidur::text::macRomanToUtf8(printer.name + "@" + printer.zone));
        NbpLookup lookup{*client};
        std::optional<NbpLookupStatus> done;
        ASSERT_TRUE(lookup.start({printer.name, printer.type, printer.zone}, {}, [&](NbpLookupStatus s) { done = s; }));
        waitFor([&] { return done.has_value(); });
        ASSERT_EQ(lookup.results().size(), 1u);
        const auto& found = lookup.results()[0];
        EXPECT_EQ(vidur::text::compareFolded(found.name.zone, printer.zone), 0);

        PapStatusClient status{*client};
        std::optional<PapStatusResult> result;
        ASSERT_TRUE(status.start({found.network, found.node, found.socket}, [&](PapStatusResult r) { result = r; }));
        waitFor([&] { return result.has_value(); });
        if (result == PapStatusResult::Ok) {
            EXPECT_FALSE(status.statusText().empty());
        } else {
            EXPECT_EQ(result, PapStatusResult::NoResponse) << "only a printer scripted to stay silent";
        }
    }
}

} // namespace
} // namespace appletalk
