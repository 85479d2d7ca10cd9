// SPDX-License-Identifier: MIT
#include "VirtualNetwork.h"

#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::VirtualNetwork;
using testing::wireBytes;

// A station that acknowledges every lapENQ for an id it claims, at once, and notes when
// each lapENQ came.
class EnqAcker final : public Pollable {
public:
    EnqAcker(VirtualNetwork& net, std::function<bool(std::uint8_t)> claims)
        : clock_(net.clock), driver_(net.driver), link_(net.wire.connect()), claims_(std::move(claims)) {
        link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
        net.driver.add(*this);
    }
    ~EnqAcker() override {
        driver_.remove(*this);
        link_->detach();
    }

    bool poll() override { return link_->poll(); }
    std::optional<SteadyTime> nextDeadline() const override { return link_->nextArrival(); }
    void setWakeHandler(std::function<void()>) override {}

    std::vector<SteadyTime> enqTimes;

private:
    void heard(std::span<const std::uint8_t> bytes) {
        const auto frame = LlapFrame::parse(bytes);
        if (!frame || frame->type != LlapFrame::kEnq) return;
        enqTimes.push_back(clock_.now());
        if (claims_(frame->destination))
            link_->send(*LlapFrame::control(LlapFrame::kAck, frame->destination).serialize());
    }

    const Clock& clock_;
    VirtualTimeDriver& driver_;
    std::unique_ptr<MemoryWireLink> link_;
    std::function<bool(std::uint8_t)> claims_;
};

Duration shortestGap(const std::vector<SteadyTime>& times) {
    Duration shortest = Duration::max();
    for (std::size_t i = 1; i < times.size(); ++i) shortest = std::min(shortest, times[i] - times[i - 1]);
    return shortest;
}

TEST(NodeIdAcquisitionTest, ANodeAloneTakesItsPreferredIdAfterEightProbesTwoSecondsLong) {
    VirtualNetwork net;
    auto& recorder = net.addRecorder();
    Node& node = net.addNode(20);
    net.driver.advance(1999ms);
    EXPECT_FALSE(node.isReady());
    EXPECT_EQ(node.nodeId(), 0);
    net.driver.advance(1ms);
    EXPECT_TRUE(node.isReady());
    EXPECT_EQ(node.nodeId(), 20);
    const auto& frames = recorder.collect();
    ASSERT_EQ(frames.size(), 8u);
    for (const auto& frame : frames) EXPECT_EQ(frame, wireBytes("14 14 81"));
}

TEST(NodeIdAcquisitionTest, ProbesAreSpacedBy250Milliseconds) {
    VirtualNetwork net;
    auto& recorder = net.addRecorder();
    net.addNode(20);
    for (int probe = 1; probe <= 8; ++probe) {
        EXPECT_EQ(recorder.collect().size(), static_cast<std::size_t>(probe));
        net.driver.advance(249ms);
        EXPECT_EQ(recorder.collect().size(), static_cast<std::size_t>(probe));
        net.driver.advance(1ms);
    }
}

TEST(NodeIdAcquisitionTest, ANewcomerAskingForATakenIdIsAnsweredAndPicksAnother) {
    VirtualNetwork net;
    Node& holder = net.addReadyNode(5);
    ASSERT_EQ(holder.nodeId(), 5);
    Node& newcomer = net.addNode(5);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return newcomer.isReady(); }, 10s));
    EXPECT_NE(newcomer.nodeId(), 5);
    EXPECT_GE(newcomer.nodeId(), 1);
    EXPECT_LE(newcomer.nodeId(), 127);
    EXPECT_EQ(newcomer.idConflicts(), 1u);
    EXPECT_EQ(holder.enqsAnswered(), 1u);
    EXPECT_EQ(holder.nodeId(), 5);
}

TEST(NodeIdAcquisitionTest, TwoNodesProbingTheSameIdAtOnceEndWithDifferentIds) {
    VirtualNetwork net;
    Node& a = net.addNode(7);
    Node& b = net.addNode(7);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady() && b.isReady(); }, 10s));
    EXPECT_NE(a.nodeId(), b.nodeId());
    // The first to hear the other's probe moves on; the other may keep the id.
    EXPECT_GE(a.idConflicts() + b.idConflicts(), 1u);
}

TEST(NodeIdAcquisitionTest, ManyNodesStartingTogetherEndWithDistinctIds) {
    VirtualNetwork net;
    std::vector<Node*> nodes;
    for (int i = 0; i < 12; ++i) nodes.push_back(&net.addNode(9));
    ASSERT_TRUE(net.driver.advanceUntil(
        [&] { return std::all_of(nodes.begin(), nodes.end(), [](Node* n) { return n->isReady(); }); }, 60s));
    std::set<int> ids;
    for (Node* node : nodes) ids.insert(node->nodeId());
    EXPECT_EQ(ids.size(), nodes.size());
}

// A station acknowledging every id: each new id waits a probe interval, the attempt ends
// after AcquisitionSettings::candidateLimit ids, and the node says so; one acknowledging
// only some ids leaves the node one of the others.
TEST(NodeIdAcquisitionTest, AStationClaimingEveryIdGetsProbesAtTheScheduleRateAndTheAttemptFails) {
    VirtualNetwork net;
    EnqAcker squatter(net, [](std::uint8_t) { return true; });
    Node& node = net.addNode(20);
    bool told = false;
    node.whenAcquisitionFails([&told] { told = true; });
    const SteadyTime start = net.clock.now();
    ASSERT_TRUE(net.driver.advanceUntil([&] { return node.acquisitionFailed(); }, 60s));
    const AcquisitionSettings schedule;
    EXPECT_TRUE(told);
    EXPECT_FALSE(node.isReady());
    EXPECT_EQ(node.acquisitionCounters().addressesTried, schedule.candidateLimit);
    EXPECT_EQ(squatter.enqTimes.size(), static_cast<std::size_t>(schedule.candidateLimit));
    EXPECT_GE(shortestGap(squatter.enqTimes), schedule.probeInterval);
    EXPECT_LE(net.clock.now() - start, schedule.probeInterval * schedule.candidateLimit);
    net.driver.advance(1min);
    EXPECT_EQ(squatter.enqTimes.size(), static_cast<std::size_t>(schedule.candidateLimit)) << "probing went on";

    VirtualNetwork other;
    EnqAcker evenIds(other, [](std::uint8_t id) { return id % 2 == 0; });
    Node& lucky = other.addNode(20);
    ASSERT_TRUE(other.driver.advanceUntil([&] { return lucky.isReady(); }, 60s));
    EXPECT_EQ(lucky.nodeId() % 2, 1);
    EXPECT_GE(shortestGap(evenIds.enqTimes), schedule.probeInterval);
}

TEST(NodeIdAcquisitionTest, AServerPicksInTheServerRange) {
    VirtualNetwork net;
    Node& server = net.addReadyNode(0, NodeRole::Server);
    EXPECT_GE(server.nodeId(), 128);
    EXPECT_LE(server.nodeId(), 254);
    Node& preferred = net.addReadyNode(254, NodeRole::Server);
    EXPECT_TRUE(preferred.nodeId() == 254 || server.nodeId() == 254);
}

TEST(NodeIdAcquisitionTest, APreferredIdOutsideTheRoleRangeIsNotUsed) {
    VirtualNetwork net;
    Node& node = net.addReadyNode(200, NodeRole::Workstation);
    EXPECT_GE(node.nodeId(), 1);
    EXPECT_LE(node.nodeId(), 127);
}

TEST(NodeIdAcquisitionTest, TheIdIsDefendedForAsLongAsTheNodeRuns) {
    VirtualNetwork net;
    auto& recorder = net.addRecorder();
    Node& node = net.addReadyNode(20);
    recorder.collect();
    recorder.frames.clear();
    auto prober = net.wire.connect();
    for (int hour = 0; hour < 3; ++hour) {
        net.driver.advance(1h);
        prober->send(wireBytes("14 14 81"));
        prober->send(wireBytes("15 15 81")); // another id: not ours to answer
        net.driver.runUntilIdle();
    }
    EXPECT_EQ(recorder.collect().size(), 6u + 3u); // the probes, and three answers
    EXPECT_EQ(node.enqsAnswered(), 3u);
    EXPECT_EQ(recorder.frames.back(), wireBytes("14 14 82"));
}

TEST(NodeIdAcquisitionTest, TrafficFromTheCandidateMeansItIsTaken) {
    VirtualNetwork net;
    auto other = net.wire.connect();
    Node& node = net.addNode(20);
    net.driver.advance(500ms);
    other->send(wireBytes("ff 14 01 00 06 01 c8 05 01")); // node 20 already talks
    ASSERT_TRUE(net.driver.advanceUntil([&] { return node.isReady(); }, 10s));
    EXPECT_NE(node.nodeId(), 20);
    EXPECT_EQ(node.idConflicts(), 1u);
}

// Until it holds an id the node hears every frame (traffic from its candidate counts); from
// then on its link drops the frames of other nodes before the node sees them.
TEST(NodeIdAcquisitionTest, TheIdOnceHeldNarrowsWhatTheWireHandsTheNode) {
    VirtualNetwork net;
    auto other = net.wire.connect();
    Node& node = net.addReadyNode(20);
    const auto received = node.counters().framesReceived;
    other->send(wireBytes("15 30 01 00 06 c8 c8 02 01")); // to node 21
    other->send(wireBytes("14 30 01 00 06 c8 c8 02 01")); // to node 20
    net.driver.runUntilIdle();
    EXPECT_EQ(node.counters().framesReceived - received, 1u);
    EXPECT_EQ(net.wire.counters().copiesNotAddressed, 1u);
}

TEST(NodeIdAcquisitionTest, ANodeWithoutAnIdSendsNothingAndAcceptsNothing) {
    VirtualNetwork net;
    Node& node = net.addNode(20);
    bool delivered = false;
    ASSERT_TRUE(node.openSocket(200, [&](const Datagram&) { delivered = true; }));
    EXPECT_EQ(node.send(Datagram{{0, 255, 200}, {0, 0, 200}, 2, 0, {}}), SendResult::NotReady);
    node.receiveFrame(wireBytes("ff 30 01 00 06 c8 c8 02 01"));
    EXPECT_FALSE(delivered);
    EXPECT_EQ(node.counters().framesNotForUs, 1u);
}

TEST(NodeIdAcquisitionTest, WhenReadyRunsOnceTheIdIsHeldOrAtOnceIfItAlreadyIs) {
    VirtualNetwork net;
    Node& node = net.addNode(20);
    std::vector<int> seen;
    node.whenReady([&](std::uint8_t id) { seen.push_back(id); });
    EXPECT_TRUE(seen.empty());
    net.driver.advance(2s);
    ASSERT_EQ(seen, std::vector<int>{20});
    node.whenReady([&](std::uint8_t id) { seen.push_back(id + 1000); });
    EXPECT_EQ(seen, (std::vector<int>{20, 1020}));
}

} // namespace
} // namespace appletalk
