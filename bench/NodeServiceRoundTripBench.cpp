// SPDX-License-Identifier: MIT
// A datagram's round trip to an echoing node over LToUDP on loopback (TTL 0, a port of its
// own): from a node of the program's own, and from a program on the host's node service,
// which adds the service's Unix socket and its thread both ways. Each node runs on an event
// loop of its own, as in the product.
#include "appletalk/node/EventLoop.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/node/service/NodeServiceLink.h"
#include "appletalk/nodeservice/NodeService.h"
#include "appletalk/nodeservice/ServiceSocket.h"
#include "appletalk/runtime/NodeNetwork.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace appletalk;
using namespace std::chrono_literals;

namespace {

constexpr std::uint8_t kEchoSocket = 4;

std::unique_ptr<Link> openLToUdp(std::uint16_t port) {
    std::string error;
    return LToUdpLink::open({"127.0.0.1", "239.192.76.84", port, 0, 0}, error);
}

// A node on its own thread; started, and waited for until it holds its address.
struct RunningNode {
    RunningNode(const Clock& clock, std::unique_ptr<Link> ownLink) : link(std::move(ownLink)), loop(clock) {
        node = std::make_unique<Node>(clock, *link);
        loop.add(*node);
        loop.start();
    }
    ~RunningNode() {
        loop.stop();
        loop.remove(*node);
    }
    void startAndWait() {
        loop.invoke([this] { node->start(); });
        while (!loop.invoke([this] { return node->isReady(); })) std::this_thread::sleep_for(10ms);
    }

    std::unique_ptr<Link> link;
    std::unique_ptr<Node> node;
    EventLoop loop;
};

// One round trip at a time: the reply wakes the benchmark's thread.
struct Pinger {
    explicit Pinger(RunningNode& from) : from_(from) {
        socket_ = from_.loop.invoke([this] {
            return from_.node->openDynamicSocket([this](const Datagram&) {
                std::lock_guard lock(mutex_);
                answered_ = true;
                changed_.notify_one();
            });
        });
    }
    ~Pinger() {
        from_.loop.invoke([this] { from_.node->closeSocket(socket_); });
    }
    Pinger(const Pinger&) = delete;
    Pinger& operator=(const Pinger&) = delete;

    bool ping(std::uint8_t echoNode) {
        {
            std::lock_guard lock(mutex_);
            answered_ = false;
        }
        from_.loop.post([this, echoNode] {
            from_.node->send(
                Datagram{{0, echoNode, kEchoSocket}, {0, 0, socket_}, 4, 0, std::vector<std::uint8_t>(64)});
        });
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 2s, [this] { return answered_; });
    }

    RunningNode& from_;
    std::uint8_t socket_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool answered_ = false;
};

struct Setup {
    Setup() {
        const auto port = static_cast<std::uint16_t>(30000 + ::getpid() % 20000);
        path = (std::filesystem::temp_directory_path() / ("vidur-roundtrip-" + std::to_string(::getpid())) / "node")
                   .string();
        echo = std::make_unique<RunningNode>(clock, openLToUdp(port));
        echo->loop.invoke([this] {
            echo->node->openSocket(kEchoSocket, [this](const Datagram& datagram) {
                echo->node->send(Datagram{datagram.source, {0, 0, kEchoSocket}, datagram.type, 0, datagram.data});
            });
        });
        echo->startAndWait();
        own = std::make_unique<RunningNode>(clock, openLToUdp(port));
        own->startAndWait();

        service = std::make_unique<RunningNode>(clock, openLToUdp(port));
        runtime::NodeNetworkTiming timing;
        timing.rtmp.requestInterval = 50ms; // no router here: the start need not wait for one
        service->loop.invoke([&] { network = std::make_unique<runtime::NodeNetwork>(*service->node, timing); });
        while (!service->loop.invoke([this] { return network->nodeInfo().has_value(); }))
            std::this_thread::sleep_for(10ms);
        std::string problem;
        const int fd = nodeservice::ServiceSocket::listenAt(path, false, problem);
        service->loop.invoke([&] {
            served = std::make_unique<nodeservice::NodeService>(
                *service->node, *network, "bench", fd, nodeservice::NodeServiceLimits{}, [](const std::string&) {});
        });
        service->loop.add(*served);
        std::string error;
        auto link = NodeServiceLink::connect(path, 5s, error);
        shared = std::make_unique<RunningNode>(clock, std::move(link));
        shared->startAndWait();
        echoNode = echo->loop.invoke([this] { return echo->node->nodeId(); });
    }
    ~Setup() {
        shared.reset();
        service->loop.remove(*served);
        service->loop.invoke([this] {
            served.reset();
            network.reset();
        });
        service.reset();
        std::filesystem::remove_all(std::filesystem::path(path).parent_path());
    }

    SystemClock clock;
    std::string path;
    std::unique_ptr<RunningNode> echo, own, service, shared;
    std::unique_ptr<runtime::NodeNetwork> network;
    std::unique_ptr<nodeservice::NodeService> served;
    std::uint8_t echoNode = 0;
};

Setup& setup() {
    static Setup instance;
    return instance;
}

void roundTrips(benchmark::State& state, RunningNode& from) {
    Pinger pinger(from);
    for (auto _ : state)
        if (!pinger.ping(setup().echoNode)) state.SkipWithError("no echo came back");
}

void BM_RoundTripFromOwnNode(benchmark::State& state) { roundTrips(state, *setup().own); }
void BM_RoundTripThroughNodeService(benchmark::State& state) { roundTrips(state, *setup().shared); }

} // namespace

BENCHMARK(BM_RoundTripFromOwnNode)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundTripThroughNodeService)->UseRealTime()->Unit(benchmark::kMicrosecond);
