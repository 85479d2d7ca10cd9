// SPDX-License-Identifier: MIT
// How simulated nodes probe for their ids: quickly (routers) or not at all (devices, which
// take their planned ids) on in-process wires that only simulated nodes share, the standard
// eight lapENQs on a segment another party may be on (LToUDP) or, for routers, on a wire the
// scenario makes slow or lossy.
#include "support/FrameRecorder.h"
#include "support/WireBytes.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/sim/SimInternet.h"

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace appletalk::sim {
namespace {

// Network 1 is the client's segment, handed in by the test as a real link would be.
constexpr const char* kThreeWires = R"(client_network = 1
[[network]]
number = 1
zone = "Segment"
[[network]]
number = 2
zone = "Clean"
[[network]]
number = 3
zone = "Slow"
delay_ms = 5
[[printer]]
name = "On the segment"
zone = "Segment"
[[printer]]
name = "On the clean wire"
zone = "Clean"
)";

std::size_t enqsFor(testing::FrameRecorder& recorder, std::uint8_t node) {
    std::size_t count = 0;
    for (const auto& frame : recorder.collect())
        if (frame.size() >= 3 && frame[0] == node && frame[2] == LlapFrame::kEnq) ++count;
    return count;
}

struct ProbeTimingTest : ::testing::Test {
    void SetUp() override {
        ScenarioError error;
        const auto scenario = Scenario::parse(kThreeWires, "wires.toml", error);
        ASSERT_TRUE(scenario.has_value()) << error.describe();
        internet = std::make_unique<SimInternet>(
            clock, *scenario, [this] { return std::unique_ptr<Link>(segment.connect()); }, 5);
        segmentLink = segment.connect();
        cleanLink = internet->wireFor(2)->connect();
        slowLink = internet->wireFor(3)->connect();
        onSegment = std::make_unique<testing::FrameRecorder>(*segmentLink);
        onClean = std::make_unique<testing::FrameRecorder>(*cleanLink);
        onSlow = std::make_unique<testing::FrameRecorder>(*slowLink);
        driver.add(*internet);
        internet->start();
    }
    void TearDown() override { driver.remove(*internet); }

    ManualClock clock;
    VirtualTimeDriver driver{clock};
    MemoryWire segment{clock, 9};
    std::unique_ptr<SimInternet> internet;
    std::unique_ptr<MemoryWireLink> segmentLink, cleanLink, slowLink;
    std::unique_ptr<testing::FrameRecorder> onSegment, onClean, onSlow;
};

TEST_F(ProbeTimingTest, EachNetworkGetsTheTimingItsWireCanBear) {
    EXPECT_EQ(internet->probeTimingFor(1), ProbeTiming::standard());
    EXPECT_EQ(internet->probeTimingFor(2), ProbeTiming::quick());
    EXPECT_EQ(internet->probeTimingFor(3), ProbeTiming::standard());
}

// The router probes quickly; a device takes the id the scenario's plan gave it without a
// probe (only the simulator's nodes and its clients share the wire), and still defends it.
TEST_F(ProbeTimingTest, OnACleanInProcessWireTheRouterProbesQuicklyAndDevicesTakeTheirPlannedIds) {
    SimRouter& router = internet->router();
    SimPrinter& printer = *internet->printer("On the clean wire");
    ASSERT_TRUE(driver.advanceUntil([&] { return router.portNode(1).isReady() && printer.isReady(); }, 100ms));
    driver.advance(3s); // nothing more comes once the id is held
    EXPECT_EQ(enqsFor(*onClean, router.portNode(1).nodeId()), 3u);
    EXPECT_EQ(printer.node()->nodeId(), 128);
    EXPECT_EQ(enqsFor(*onClean, 128), 0u);
    cleanLink->send(LlapFrame::control(LlapFrame::kEnq, 128).serialize().value());
    driver.advance(10ms);
    EXPECT_EQ(printer.node()->enqsAnswered(), 1u);
}

TEST_F(ProbeTimingTest, NodesOnTheSuppliedSegmentAndOnASlowWireProbeTheStandardEightTimes) {
    SimRouter& router = internet->router();
    SimPrinter& printer = *internet->printer("On the segment");
    driver.advance(1s);
    EXPECT_FALSE(router.portNode(0).isReady());
    EXPECT_FALSE(router.portNode(2).isReady());
    ASSERT_TRUE(driver.advanceUntil([&] { return internet->isReady(); }, 5s));
    driver.advance(3s);
    EXPECT_EQ(enqsFor(*onSegment, router.portNode(0).nodeId()), 8u);
    EXPECT_EQ(enqsFor(*onSegment, printer.node()->nodeId()), 8u);
    EXPECT_EQ(enqsFor(*onSlow, router.portNode(2).nodeId()), 8u);
}

TEST(BuiltInInternet, IsWhollyReadyWithinATenthOfASecond) {
    ManualClock clock;
    VirtualTimeDriver driver{clock};
    SimInternet internet(clock, Scenario::builtin(), 11);
    driver.add(internet);
    internet.start();
    EXPECT_TRUE(driver.advanceUntil([&internet] { return internet.isReady(); }, 100ms));
    driver.remove(internet);
}

} // namespace
} // namespace appletalk::sim
