// SPDX-License-Identifier: MIT
#include "BenchInternet.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace vidur::bench {

using namespace appletalk;
using namespace std::chrono_literals;

BenchInternet::BenchInternet(const std::vector<sim::RouterPortConfig>& ports) {
    if (ports.empty()) throw std::invalid_argument("a bench internet needs the client's network");
    for (const auto& port : ports) {
        wires_.push_back(std::make_unique<MemoryWire>(clock_, wires_.size() + 1));
        router_.addPort(wires_.back()->connect(), port);
    }
    driver_.add(router_);
    router_.start();
    settle([this] { return router_.isReady(); }, "router");

    // The client as its RTMP stub would leave it: THIS-NET and A-ROUTER known.
    NodeConfig config;
    config.acquisition.preferredId = 20;
    config.seed = 20;
    clientLink_ = wires_.front()->connect();
    client_ = std::make_unique<Node>(clock_, *clientLink_, config);
    driver_.add(*client_);
    client_->start();
    settle([this] { return client_->isReady(); }, "client");
    client_->setThisNet(ports.front().rangeStart);
    client_->setARouter(router_.portNode(0).nodeId());
}

BenchInternet::~BenchInternet() {
    for (auto& device : devices_) driver_.remove(*device.node);
    if (client_) driver_.remove(*client_);
    driver_.remove(router_);
}

std::size_t BenchInternet::addDevices(std::size_t port, int nodes, int namesPerNode, const std::string& type) {
    const auto network = router_.portConfig(port).rangeStart;
    const auto routerNode = router_.portNode(port).nodeId();
    const auto first = devices_.size();
    for (int i = 0; i < nodes; ++i) {
        NodeConfig config;
        config.acquisition.role = NodeRole::Server;
        config.acquisition.preferredId = static_cast<std::uint8_t>(128 + i % 120);
        config.seed = 1000 + devices_.size();
        Device device;
        device.link = wires_.at(port)->connect();
        device.node = std::make_unique<Node>(clock_, *device.link, config);
        driver_.add(*device.node);
        device.node->start();
        devices_.push_back(std::move(device));
    }
    settle(
        [this, first] {
            for (auto i = first; i < devices_.size(); ++i)
                if (!devices_[i].node->isReady()) return false;
            return true;
        },
        "devices");

    std::size_t registered = 0;
    for (auto i = first; i < devices_.size(); ++i) {
        Device& device = devices_[i];
        device.node->setThisNet(network);
        device.node->setARouter(routerNode);
        device.registry = std::make_unique<NbpRegistry>(*device.node);
        const std::uint8_t socket = device.node->openDynamicSocket([](const Datagram&) {});
        for (int n = 0; n < namesPerNode; ++n) {
            char object[33];
            std::snprintf(object, sizeof object, "Device %05d", nextDevice_++);
            if (device.registry->registerName({object, type, "*"}, socket) == NbpRegisterResult::Ok) ++registered;
        }
    }
    return registered;
}

void BenchInternet::settle(const std::function<bool()>& done, const char* what) {
    if (!driver_.advanceUntil(done, 5min)) throw std::runtime_error(std::string("bench internet: no ") + what);
}

} // namespace vidur::bench
