// SPDX-License-Identifier: MIT
// The background thread: tasks and nodes run on it, callers wait only for results. Time is
// a ManualClock moved inside tasks, so nothing here sleeps; waits are for the thread's reply.
#include "appletalk/node/EventLoop.h"
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"

#include <gtest/gtest.h>

#include <future>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

TEST(EventLoopTest, TasksRunOnTheLoopThreadInTheOrderPosted) {
    ManualClock clock;
    EventLoop loop(clock);
    loop.start();
    std::vector<int> order;
    std::vector<bool> onLoop;
    for (int i = 0; i < 5; ++i) {
        loop.post([&, i] {
            order.push_back(i);
            onLoop.push_back(loop.onLoopThread());
        });
    }
    EXPECT_EQ(loop.invoke([] { return 42; }), 42);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(onLoop, std::vector<bool>(5, true));
    EXPECT_FALSE(loop.onLoopThread());
}

TEST(EventLoopTest, StopRunsWhatWasAlreadyPosted) {
    ManualClock clock;
    int ran = 0;
    {
        EventLoop loop(clock);
        loop.start();
        for (int i = 0; i < 100; ++i) loop.post([&] { ++ran; });
        loop.stop();
        EXPECT_FALSE(loop.isRunning());
        EXPECT_EQ(loop.invoke([] { return 7; }), 7); // not running: runs on the caller
    }
    EXPECT_EQ(ran, 100);
}

TEST(EventLoopTest, AnInvokeFromInsideATaskRunsAtOnceInsteadOfDeadlocking) {
    ManualClock clock;
    EventLoop loop(clock);
    loop.start();
    EXPECT_EQ(loop.invoke([&] { return loop.invoke([] { return 3; }) + 1; }), 4);
}

struct LoopedNode {
    explicit LoopedNode(ManualClock& clock, MemoryWire& wire, std::uint8_t id, std::uint64_t seed)
        : link(wire.connect()), node(clock, *link, NodeConfig{{NodeRole::Workstation, id}, seed}) {}
    std::unique_ptr<MemoryWireLink> link;
    Node node;
};

TEST(EventLoopTest, NodesOnTheLoopAcquireIdsAndExchangeDatagramsPostedFromOutside) {
    ManualClock clock;
    MemoryWire wire(clock);
    LoopedNode a(clock, wire, 20, 1);
    LoopedNode b(clock, wire, 30, 2);
    EventLoop loop(clock);
    loop.add(a.node);
    loop.add(b.node);
    loop.start();
    loop.invoke([&] {
        a.node.start();
        b.node.start();
    });
    for (int step = 0; step < 8; ++step) loop.invoke([&] { clock.advance(250ms); });
    ASSERT_TRUE(loop.invoke([&] { return a.node.isReady() && b.node.isReady(); }));

    std::promise<Datagram> arrived;
    loop.invoke([&] { b.node.openSocket(6, [&](const Datagram& d) { arrived.set_value(d); }); });
    // Posted from this thread; delivered when the loop polls b, woken by the wire.
    EXPECT_EQ(loop.invoke([&] {
        return a.node.send(Datagram{{0, 30, 6}, {0, 0, 200}, 2, 0, {1, 2}});
    }),
              SendResult::Sent);
    auto future = arrived.get_future();
    ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(future.get().source, (DdpAddress{0, 20, 200}));

    loop.remove(a.node);
    loop.remove(b.node);
    loop.stop();
}

TEST(EventLoopTest, AFrameFromANodeOnAnotherThreadWakesTheLoop) {
    ManualClock clock;
    MemoryWire wire(clock);
    LoopedNode a(clock, wire, 20, 1);
    LoopedNode b(clock, wire, 30, 2);
    EventLoop loopA(clock);
    EventLoop loopB(clock);
    loopA.add(a.node);
    loopB.add(b.node);
    loopA.start();
    loopB.start();
    loopA.invoke([&] { a.node.start(); });
    loopB.invoke([&] { b.node.start(); });
    // The loops run freely, so a node may see a step late; step until both hold their ids.
    const auto ready = [&] {
        return loopA.invoke([&] { return a.node.isReady(); }) && loopB.invoke([&] { return b.node.isReady(); });
    };
    for (int step = 0; step < 100 && !ready(); ++step) loopA.invoke([&] { clock.advance(250ms); });
    ASSERT_TRUE(loopA.invoke([&] { return a.node.isReady(); }));
    ASSERT_TRUE(loopB.invoke([&] { return b.node.isReady(); }));
    std::promise<void> arrived;
    loopB.invoke([&] { b.node.openSocket(6, [&](const Datagram&) { arrived.set_value(); }); });
    loopA.invoke([&] { a.node.send(Datagram{{0, 30, 6}, {0, 0, 200}, 2, 0, {}}); });
    EXPECT_EQ(arrived.get_future().wait_for(10s), std::future_status::ready);
    loopA.stop();
    loopB.stop();
}

} // namespace
} // namespace appletalk
