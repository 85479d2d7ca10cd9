// SPDX-License-Identifier: MIT
// Nodes on an in-process Ethernet (a wire whose endpoints have hardware addresses), on
// virtual time: AARP acquisition and defence, resolution before sending, gleaning, and the
// broadcast when nobody answers.
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

MacAddress station(std::uint8_t last) { return MacAddress{{0x02, 0x00, 0x00, 0x00, 0x00, last}}; }

class Ethernet {
public:
    Ethernet() : driver(clock), wire(clock) {}
    ~Ethernet() {
        for (auto& node : nodes) driver.remove(*node);
    }

    // A node on the cable 3..5 that prefers 3.`node`, or one that knows no cable yet.
    Node& add(std::uint8_t node, std::uint8_t hardware, bool knowsTheCable = true) {
        links.push_back(wire.connect());
        links.back()->setHardwareAddress(station(hardware));
        NodeConfig config;
        config.acquisition.preferredId = node;
        config.seed = hardware;
        nodes.push_back(std::make_unique<Node>(clock, *links.back(), config));
        Node& added = *nodes.back();
        if (knowsTheCable) {
            added.setCableRange(NetworkRange{3, 5});
            added.setThisNet(3);
        }
        driver.add(added);
        added.start();
        return added;
    }
    // Raw frames on the cable, as a capture would see them.
    std::vector<EtherTalkFrame> heard() {
        std::vector<EtherTalkFrame> frames;
        for (const auto& bytes : captured) frames.push_back(*EtherTalkFrame::parse(bytes));
        captured.clear();
        return frames;
    }
    void listen() {
        tap = wire.connect();
        tap->attach([this](std::span<const std::uint8_t> bytes) { captured.emplace_back(bytes.begin(), bytes.end()); },
                    [] {});
        driver.add(tapPoller);
    }

    struct TapPoller : Pollable {
        explicit TapPoller(Ethernet& net) : owner(net) {}
        bool poll() override { return owner.tap->poll(); }
        std::optional<SteadyTime> nextDeadline() const override { return owner.tap->nextArrival(); }
        void setWakeHandler(std::function<void()>) override {}
        Ethernet& owner;
    };

    ManualClock clock;
    VirtualTimeDriver driver;
    MemoryWire wire;
    std::vector<std::unique_ptr<MemoryWireLink>> links;
    std::vector<std::unique_ptr<Node>> nodes;
    std::unique_ptr<MemoryWireLink> tap;
    TapPoller tapPoller{*this};
    std::vector<std::vector<std::uint8_t>> captured;
};

TEST(EtherTalkNode, TakesItsAddressAfterTenProbesAndANewcomerWantingItGoesElsewhere) {
    Ethernet net;
    net.listen();
    Node& first = net.add(40, 1);
    net.driver.advance(1999ms);
    EXPECT_FALSE(first.isReady());
    net.driver.advance(1ms);
    ASSERT_TRUE(first.isReady());
    EXPECT_EQ(first.thisNet(), 3);
    EXPECT_EQ(first.nodeId(), 40);
    const auto probes = net.heard();
    ASSERT_EQ(probes.size(), 10u);
    for (const auto& frame : probes) {
        EXPECT_EQ(frame.destination, kAppleTalkBroadcast);
        EXPECT_EQ(AarpPacket::parse(frame.payload)->function, AarpFunction::Probe);
    }

    Node& second = net.add(40, 2);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return second.isReady(); }, 10s));
    EXPECT_FALSE(second.thisNet() == 3 && second.nodeId() == 40);
    EXPECT_GE(second.thisNet(), 3);
    EXPECT_LE(second.thisNet(), 5);
    EXPECT_EQ(second.aarp()->counters().conflicts, 1u);
    EXPECT_GE(first.aarp()->counters().defended, 1u);
}

// A station that answers every Probe for an address it claims, at once, as a squatting or
// broken node does, and notes when each Probe came.
class AarpSquatter final : public Pollable {
public:
    AarpSquatter(Ethernet& net, std::function<bool(NodeAddress)> claims)
        : net_(net), link_(net.wire.connect()), claims_(std::move(claims)) {
        link_->setHardwareAddress(station(0x5A));
        link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
        net.driver.add(*this);
    }
    ~AarpSquatter() override {
        net_.driver.remove(*this);
        link_->detach();
    }

    bool poll() override { return link_->poll(); }
    std::optional<SteadyTime> nextDeadline() const override { return link_->nextArrival(); }
    void setWakeHandler(std::function<void()>) override {}

    std::vector<SteadyTime> probeTimes;

private:
    void heard(std::span<const std::uint8_t> bytes) {
        const auto frame = EtherTalkFrame::parse(bytes);
        const auto probe =
            frame && frame->protocol == EtherProtocol::Aarp ? AarpPacket::parse(frame->payload) : std::nullopt;
        if (!probe || probe->function != AarpFunction::Probe) return;
        probeTimes.push_back(net_.clock.now());
        if (!claims_(probe->destinationAddress)) return;
        const AarpPacket answer{AarpFunction::Response, station(0x5A), probe->destinationAddress, probe->sourceHardware,
                                probe->sourceAddress};
        link_->send(
            *EtherTalkFrame{probe->sourceHardware, station(0x5A), EtherProtocol::Aarp, answer.serialize()}.serialize());
    }

    Ethernet& net_;
    std::unique_ptr<MemoryWireLink> link_;
    std::function<bool(NodeAddress)> claims_;
};

Duration shortestGap(const std::vector<SteadyTime>& times) {
    Duration shortest = Duration::max();
    for (std::size_t i = 1; i < times.size(); ++i) shortest = std::min(shortest, times[i] - times[i - 1]);
    return shortest;
}

// A station answering for every address: each new address waits a probe interval, the attempt
// ends after AarpTiming::addressLimit addresses, and the node says so; one answering only
// for some addresses leaves the node one of the others.
TEST(EtherTalkNode, AStationClaimingEveryAddressGetsProbesAtTheScheduleRateAndTheAttemptFails) {
    const AarpTiming schedule;
    {
        Ethernet net;
        AarpSquatter squatter(net, [](NodeAddress) { return true; });
        Node& node = net.add(40, 1);
        bool told = false;
        node.whenAcquisitionFails([&told] { told = true; });
        const SteadyTime start = net.clock.now();
        ASSERT_TRUE(net.driver.advanceUntil([&] { return node.acquisitionFailed(); }, 60s));
        EXPECT_TRUE(told);
        EXPECT_FALSE(node.isReady());
        EXPECT_EQ(node.acquisitionCounters().addressesTried, schedule.addressLimit);
        EXPECT_EQ(squatter.probeTimes.size(), static_cast<std::size_t>(schedule.addressLimit));
        EXPECT_GE(shortestGap(squatter.probeTimes), schedule.probeInterval);
        EXPECT_LE(net.clock.now() - start, schedule.probeInterval * schedule.addressLimit);
        net.driver.advance(1min);
        EXPECT_EQ(squatter.probeTimes.size(), static_cast<std::size_t>(schedule.addressLimit)) << "probing went on";
    }
    Ethernet net;
    AarpSquatter evenNodes(net, [](NodeAddress address) { return address.node % 2 == 0; });
    Node& lucky = net.add(40, 1);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return lucky.isReady(); }, 60s));
    EXPECT_EQ(lucky.nodeId() % 2, 1);
    EXPECT_GE(shortestGap(evenNodes.probeTimes), schedule.probeInterval);
}

TEST(EtherTalkNode, ResolvesBeforeSendingAndTheAnswerFillsBothCaches) {
    Ethernet net;
    Node& a = net.add(10, 1);
    Node& b = net.add(20, 2);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady() && b.isReady(); }, 5s));
    std::vector<Datagram> received;
    b.openSocket(200, [&](const Datagram& d) { received.push_back(d); });
    net.listen();
    const Datagram hello{{b.thisNet(), b.nodeId(), 200}, {0, 0, 201}, 3, 0, {1, 2, 3}};
    ASSERT_EQ(a.send(hello), SendResult::Sent);
    ASSERT_EQ(a.send(hello), SendResult::Sent); // waits with the first
    net.driver.runUntilIdle();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].source, (DdpAddress{a.thisNet(), a.nodeId(), 201}));
    const auto frames = net.heard();
    ASSERT_EQ(frames.size(), 4u); // Request, Response, the two datagrams
    EXPECT_EQ(AarpPacket::parse(frames[0].payload)->function, AarpFunction::Request);
    EXPECT_EQ(frames[1].destination, station(1));
    EXPECT_EQ(frames[2].destination, station(2));
    // B learnt A from its Request: its answer needs no resolution.
    b.send(Datagram{{a.thisNet(), a.nodeId(), 201}, {0, 0, 200}, 3, 0, {4}});
    net.driver.runUntilIdle();
    const auto answer = net.heard();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].protocol, EtherProtocol::AppleTalk);
    EXPECT_EQ(answer[0].destination, station(1));
}

// A sender that names no network (a LocalTalk node behind a bridge that passes network 0 on)
// is answered at the hardware address its request came from: no AARP for an address under
// our network that nobody holds, and no broadcast after it.
TEST(EtherTalkNode, ASenderOfNetworkZeroIsAnsweredAtTheHardwareAddressItSentFrom) {
    Ethernet net;
    Node& a = net.add(10, 1);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady(); }, 5s));
    a.openSocket(200, [&a](const Datagram& d) { a.send(Datagram{d.source, {0, 0, 200}, 3, 0, {2}}); });
    auto sender = net.wire.connect();
    sender->setHardwareAddress(station(9));
    net.listen();
    const auto request = *DdpCodec::serializeLong(Datagram{{0, 0xFF, 200}, {0, 42, 201}, 3, 0, {1}});
    sender->send(*EtherTalkFrame{kAppleTalkBroadcast, station(9), EtherProtocol::AppleTalk, request}.serialize());
    net.driver.advance(2s);
    std::vector<EtherTalkFrame> answers;
    for (const auto& frame : net.heard())
        if (frame.source == station(1)) answers.push_back(frame);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].protocol, EtherProtocol::AppleTalk);
    EXPECT_EQ(answers[0].destination, station(9));
}

TEST(EtherTalkNode, ADatagramForANodeThatNeverAnswersGoesOutByBroadcast) {
    Ethernet net;
    Node& a = net.add(10, 1);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady(); }, 5s));
    net.listen();
    ASSERT_EQ(a.send(Datagram{{4, 77, 200}, {0, 0, 201}, 3, 0, {9}}), SendResult::Sent);
    net.driver.advance(1s);
    const auto frames = net.heard();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().protocol, EtherProtocol::AppleTalk);
    EXPECT_EQ(frames.back().destination, kAppleTalkBroadcast);
    EXPECT_EQ(a.aarp()->counters().broadcastFallbacks, 1u);
    // With no router the whole internet is this cable: another network is looked for here too.
    EXPECT_EQ(a.send(Datagram{{9, 77, 200}, {0, 0, 201}, 3, 0, {9}}), SendResult::Sent);
    net.driver.advance(1s);
    EXPECT_EQ(a.aarp()->counters().broadcastFallbacks, 2u);
    // "Any router" still has nowhere to go.
    EXPECT_EQ(a.send(Datagram{{9, 0, 200}, {0, 0, 201}, 3, 0, {9}}), SendResult::NoRoute);
}

TEST(EtherTalkNode, FramesForOtherStationsAndGroupsNotJoinedAreNotTaken) {
    Ethernet net;
    Node& a = net.add(10, 1);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady(); }, 5s));
    int delivered = 0;
    a.openSocket(200, [&](const Datagram&) { ++delivered; });
    auto sender = net.wire.connect();
    const auto datagram = [&] {
        Datagram d{{0, 0xFF, 200}, {3, 99, 200}, 3, 0, {1}};
        return *DdpCodec::serializeLong(d);
    }();
    const MacAddress zone{{0x09, 0x00, 0x07, 0x00, 0x00, 0x15}};
    for (const MacAddress& to : {station(7), zone, kAppleTalkBroadcast}) {
        sender->send(*EtherTalkFrame{to, station(9), EtherProtocol::AppleTalk, datagram}.serialize());
        net.driver.runUntilIdle();
    }
    EXPECT_EQ(delivered, 1); // the broadcast only
    ASSERT_TRUE(a.joinGroup(zone));
    sender->send(*EtherTalkFrame{zone, station(9), EtherProtocol::AppleTalk, datagram}.serialize());
    net.driver.runUntilIdle();
    EXPECT_EQ(delivered, 2);
}

// LocalTalk nodes behind a bridge appear in the start-up range and broadcast to their
// number there, which is no node's own.
TEST(EtherTalkNode, ANodeInTheStartupRangeTakesBroadcastsToAnyNumberOfThatRange) {
    Ethernet net;
    Node& a = net.add(10, 1, false);
    ASSERT_TRUE(net.driver.advanceUntil([&] { return a.isReady(); }, 5s));
    ASSERT_TRUE(kStartupRange.contains(a.thisNet()));
    int delivered = 0;
    a.openSocket(200, [&](const Datagram&) { ++delivered; });
    auto sender = net.wire.connect();
    const std::uint16_t other = a.thisNet() == 0xFF00 ? 0xFF01 : 0xFF00;
    const struct {
        const char* what;
        DdpAddress to;
        bool taken;
    } rows[] = {
        {"a broadcast to another start-up number", {other, 0xFF, 200}, true},
        {"our node id under another start-up number", {other, a.nodeId(), 200}, false},
        {"a broadcast to a cable's network", {3, 0xFF, 200}, false},
    };
    for (const auto& row : rows) {
        const int before = delivered;
        const auto datagram = *DdpCodec::serializeLong(Datagram{row.to, {0xFF00, 99, 200}, 3, 0, {1}});
        sender->send(*EtherTalkFrame{kAppleTalkBroadcast, station(9), EtherProtocol::AppleTalk, datagram}.serialize());
        net.driver.runUntilIdle();
        EXPECT_EQ(delivered - before, row.taken ? 1 : 0) << row.what;
    }
}

} // namespace
} // namespace appletalk
