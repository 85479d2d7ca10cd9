// SPDX-License-Identifier: MIT
// The CPU a node costs while nothing happens: a client node on the event loop's thread, on
// the real clock, left idle for a number of seconds once it holds its id. The figure is the
// process's CPU seconds per wall second (getrusage), the benchmark's own thread only sleeping
// meanwhile; voluntary context switches per second count how often the loop thread woke.
//
//  - BM_IdleClientNode: a workstation alone on an in-process wire, with the services an
//    application opens (RTMP stub, NBP registry with a name, ZIP client).
//  - BM_IdleClientWithBuiltinInternet: the same client beside the built-in scenario's
//    simulated internet on the same loop (router broadcasting RTMP every 10 s, printers whose
//    status changes on timers): the embedded default network at rest.
#include "appletalk/node/EventLoop.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/services/nbp/NbpRegistry.h"
#include "appletalk/services/rtmp/RtmpStub.h"
#include "appletalk/services/zip/ZipClient.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SimInternet.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <thread>

namespace vidur::bench {
namespace {

using namespace appletalk;
using namespace std::chrono_literals;

struct Usage {
    double cpuSeconds = 0;
    long voluntarySwitches = 0;

    static Usage now() {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
        };
        return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw};
    }
};

// The client and its services, built and destroyed on the loop's thread, which owns them.
struct ClientNode {
    std::unique_ptr<Link> link;
    std::unique_ptr<Node> node;
    std::unique_ptr<RtmpStub> stub;
    std::unique_ptr<NbpRegistry> registry;
    std::unique_ptr<ZipClient> zip;

    ClientNode(const Clock& clock, std::unique_ptr<Link> clientLink) : link(std::move(clientLink)) {
        NodeConfig config;
        config.acquisition.preferredId = 20;
        node = std::make_unique<Node>(clock, *link, config);
        stub = std::make_unique<RtmpStub>(*node);
        registry = std::make_unique<NbpRegistry>(*node);
        zip = std::make_unique<ZipClient>(*node);
        stub->start();
        node->start();
    }
    void registerName() {
        const std::uint8_t socket = node->openDynamicSocket([](const Datagram&) {});
        registry->registerName({"Bench Workstation", "Workstation", "*"}, socket);
    }
};

// Waits (on the real clock) until `ready` holds on the loop thread.
template <typename Ready>
bool waitUntil(EventLoop& loop, Ready ready, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (loop.invoke(ready)) return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void measureIdle(benchmark::State& state, EventLoop& loop) {
    const auto idle = std::chrono::seconds(state.range(0));
    for (auto _ : state) {
        const Usage before = Usage::now();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(idle);
        const Usage after = Usage::now();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(wall.count());
        state.counters["cpu_s_per_s"] = (after.cpuSeconds - before.cpuSeconds) / wall.count();
        // One switch is this thread's own sleep.
        state.counters["wakeups_per_s"] =
            static_cast<double>(after.voluntarySwitches - before.voluntarySwitches - 1) / wall.count();
    }
    (void)loop;
}

void BM_IdleClientNode(benchmark::State& state) {
    SystemClock clock;
    MemoryWire wire(clock);
    EventLoop loop(clock);
    loop.start();
    auto client = loop.invoke([&] { return std::make_unique<ClientNode>(clock, wire.connect()); });
    loop.add(*client->node);
    if (!waitUntil(
            loop, [&] { return client->node->isReady(); }, 30s)) {
        state.SkipWithError("the client got no node id");
    } else {
        loop.invoke([&] { client->registerName(); });
        std::this_thread::sleep_for(4s); // the stub's start-up requests are over
        measureIdle(state, loop);
    }
    loop.remove(*client->node);
    loop.invoke([&] { client.reset(); });
    loop.stop();
}
BENCHMARK(BM_IdleClientNode)->Arg(30)->ArgName("seconds")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_IdleClientWithBuiltinInternet(benchmark::State& state) {
    SystemClock clock;
    const sim::Scenario scenario = sim::Scenario::builtin();
    sim::SimInternet internet(clock, scenario, 1);
    EventLoop loop(clock);
    loop.add(internet);
    internet.start();
    loop.start();
    std::unique_ptr<ClientNode> client;
    if (!waitUntil(
            loop, [&] { return internet.isReady(); }, 60s)) {
        state.SkipWithError("the simulated internet did not come up");
    } else {
        client = loop.invoke([&] { return std::make_unique<ClientNode>(clock, internet.connectClient()); });
        loop.add(*client->node);
        if (!waitUntil(
                loop, [&] { return client->stub->hasRouter(); }, 30s)) {
            state.SkipWithError("the client found no router");
        } else {
            loop.invoke([&] { client->registerName(); });
            std::this_thread::sleep_for(4s);
            measureIdle(state, loop);
        }
        loop.remove(*client->node);
        loop.invoke([&] { client.reset(); });
    }
    loop.remove(internet);
    loop.stop();
}
BENCHMARK(BM_IdleClientWithBuiltinInternet)
    ->Arg(30)
    ->ArgName("seconds")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace vidur::bench
