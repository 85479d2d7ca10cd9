// SPDX-License-Identifier: MIT
#include "support/FrameRecorder.h"
#include "support/WireBytes.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::FrameRecorder;

std::vector<std::uint8_t> numbered(int n) {
    return {0xFF, 0x01, 0x01, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

int numberOf(const std::vector<std::uint8_t>& frame) { return frame[3] << 8 | frame[4]; }

TEST(MemoryWireTest, AFrameReachesEveryOtherAttachedEndpointButNotItsSender) {
    ManualClock clock;
    MemoryWire wire(clock);
    auto a = wire.connect();
    auto b = wire.connect();
    auto c = wire.connect();
    auto detached = wire.connect();
    FrameRecorder atA(*a);
    FrameRecorder atB(*b);
    FrameRecorder atC(*c);
    EXPECT_TRUE(a->send(numbered(1)));
    EXPECT_TRUE(atA.collect().empty());
    EXPECT_EQ(atB.collect().size(), 1u);
    EXPECT_EQ(atC.collect().size(), 1u);
    EXPECT_EQ(atB.frames[0], numbered(1));
    EXPECT_EQ(wire.counters().copiesQueued, 2u);
    EXPECT_FALSE(detached->poll());
}

// As a LocalTalk controller: once told its node, an endpoint hears that node and the
// broadcast; an endpoint that was never told hears everything.
TEST(MemoryWireTest, AnEndpointWithANodeAddressHearsOnlyItsNodeAndTheBroadcast) {
    ManualClock clock;
    MemoryWire wire(clock);
    auto sender = wire.connect();
    auto addressed = wire.connect();
    auto listener = wire.connect();
    FrameRecorder atAddressed(*addressed);
    FrameRecorder atListener(*listener);
    addressed->setNodeAddress(20);
    for (const char* frame : {"14 01 01 aa", "15 01 01 bb", "ff 01 01 cc", "00 01 81"})
        EXPECT_TRUE(sender->send(testing::wireBytes(frame)));
    const std::vector heard{testing::wireBytes("14 01 01 aa"), testing::wireBytes("ff 01 01 cc")};
    EXPECT_EQ(atAddressed.collect(), heard);
    EXPECT_EQ(atListener.collect().size(), 4u);
    EXPECT_EQ(wire.counters().copiesNotAddressed, 2u);

    // Detached, the endpoint forgets its node: whoever attaches next has no id yet.
    addressed->detach();
    FrameRecorder nextOwner(*addressed);
    EXPECT_TRUE(sender->send(testing::wireBytes("15 01 01 dd")));
    EXPECT_EQ(nextOwner.collect().size(), 1u);
}

TEST(MemoryWireTest, RefusesFramesThatAreNotLlapSized) {
    ManualClock clock;
    MemoryWire wire(clock);
    auto a = wire.connect();
    EXPECT_FALSE(a->send(testing::wireBytes("ff 01")));
    EXPECT_FALSE(a->send(std::vector<std::uint8_t>(604, 1)));
    EXPECT_TRUE(a->send(std::vector<std::uint8_t>(603, 1)));
    EXPECT_EQ(wire.counters().framesRejected, 2u);
}

TEST(MemoryWireTest, ADelayedFrameArrivesOnlyWhenTheClockReachesIt) {
    ManualClock clock;
    MemoryWire wire(clock);
    wire.setImpairments({.delay = 30ms});
    auto a = wire.connect();
    auto b = wire.connect();
    FrameRecorder atB(*b);
    a->send(numbered(1));
    EXPECT_EQ(b->nextArrival(), clock.now() + 30ms);
    clock.advance(29ms);
    EXPECT_TRUE(atB.collect().empty());
    clock.advance(1ms);
    EXPECT_EQ(atB.collect().size(), 1u);
    EXPECT_FALSE(b->nextArrival());
}

TEST(MemoryWireTest, EndpointsAndTheWireMayBeDestroyedInAnyOrder) {
    ManualClock clock;
    auto wire = std::make_unique<MemoryWire>(clock);
    auto a = wire->connect();
    auto b = wire->connect();
    b->attach([](std::span<const std::uint8_t>) {}, [] {});
    wire.reset();
    EXPECT_TRUE(a->send(numbered(1)));
    EXPECT_TRUE(b->poll());
    a.reset();
    b->detach();
}

// Sends 200 numbered frames from A to B, 1 ms apart, and returns what B received in order.
std::vector<int> runImpaired(const WireImpairments& impairments, std::uint64_t seed, WireCounters* counters = nullptr) {
    ManualClock clock;
    MemoryWire wire(clock, seed);
    wire.setImpairments(impairments);
    auto a = wire.connect();
    auto b = wire.connect();
    FrameRecorder atB(*b);
    for (int n = 0; n < 200; ++n) {
        a->send(numbered(n));
        clock.advance(1ms);
        atB.collect();
    }
    clock.advance(1s);
    std::vector<int> received;
    for (const auto& frame : atB.collect()) received.push_back(numberOf(frame));
    if (counters != nullptr) *counters = wire.counters();
    return received;
}

TEST(MemoryWireTest, LossDropsAboutTheRequestedShareAndCountsEveryCopyLost) {
    WireCounters counters;
    const auto received = runImpaired({.lossRate = 0.25}, 7, &counters);
    EXPECT_GT(received.size(), 120u);
    EXPECT_LT(received.size(), 180u);
    EXPECT_EQ(counters.copiesLost + received.size(), 200u);
    EXPECT_TRUE(std::is_sorted(received.begin(), received.end()));
}

TEST(MemoryWireTest, DuplicationDeliversSomeFramesTwice) {
    WireCounters counters;
    const auto received = runImpaired({.duplicateRate = 0.2}, 7, &counters);
    EXPECT_EQ(received.size(), 200u + counters.copiesDuplicated);
    EXPECT_GT(counters.copiesDuplicated, 10u);
}

TEST(MemoryWireTest, JitterReordersFramesWithoutLosingAny) {
    const auto received = runImpaired({.delay = 2ms, .jitter = 10ms}, 7);
    ASSERT_EQ(received.size(), 200u);
    EXPECT_FALSE(std::is_sorted(received.begin(), received.end()));
    auto sorted = received;
    std::sort(sorted.begin(), sorted.end());
    for (int n = 0; n < 200; ++n) EXPECT_EQ(sorted[static_cast<std::size_t>(n)], n);
}

TEST(MemoryWireTest, TheSameSeedGivesTheSameLossesAndOrderEveryRun) {
    const WireImpairments impairments{.lossRate = 0.1, .duplicateRate = 0.1, .delay = 1ms, .jitter = 5ms};
    EXPECT_EQ(runImpaired(impairments, 42), runImpaired(impairments, 42));
    EXPECT_NE(runImpaired(impairments, 42), runImpaired(impairments, 43));
}

} // namespace
} // namespace appletalk
