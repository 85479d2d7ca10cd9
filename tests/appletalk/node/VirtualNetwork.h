// SPDX-License-Identifier: MIT
// Nodes on one in-process wire, driven on virtual time by the test's own thread.
#pragma once

#include "support/FrameRecorder.h"
#include "support/WireBytes.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"

#include <chrono>
#include <memory>
#include <vector>

namespace appletalk::testing {

class VirtualNetwork {
public:
    explicit VirtualNetwork(std::uint64_t wireSeed = 1) : wire(clock, wireSeed) {}
    ~VirtualNetwork() {
        for (auto& station : stations_) driver.remove(*station.node);
    }

    // A node, started, with a fixed seed so its choice of ids repeats.
    Node& addNode(std::uint8_t preferredId, NodeRole role = NodeRole::Workstation) {
        NodeConfig config;
        config.acquisition.role = role;
        config.acquisition.preferredId = preferredId;
        config.seed = 1000 + stations_.size();
        auto link = wire.connect();
        auto node = std::make_unique<Node>(clock, *link, config);
        driver.add(*node);
        node->start();
        stations_.push_back({std::move(link), std::move(node)});
        return *stations_.back().node;
    }

    // A node that already holds its id.
    Node& addReadyNode(std::uint8_t preferredId, NodeRole role = NodeRole::Workstation) {
        Node& node = addNode(preferredId, role);
        driver.advanceUntil([&node] { return node.isReady(); }, std::chrono::seconds(10));
        return node;
    }

    // A bare endpoint that hears every frame on the wire.
    FrameRecorder& addRecorder() {
        recorderLinks_.push_back(wire.connect());
        recorders_.push_back(std::make_unique<FrameRecorder>(*recorderLinks_.back()));
        return *recorders_.back();
    }

    ManualClock clock;
    MemoryWire wire;
    VirtualTimeDriver driver{clock};

private:
    struct Station {
        std::unique_ptr<MemoryWireLink> link;
        std::unique_ptr<Node> node;
    };
    std::vector<std::unique_ptr<MemoryWireLink>> recorderLinks_;
    std::vector<std::unique_ptr<FrameRecorder>> recorders_;
    std::vector<Station> stations_;
};

} // namespace appletalk::testing
