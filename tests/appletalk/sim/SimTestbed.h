// SPDX-License-Identifier: MIT
// Several in-process wires on one virtual clock, with client nodes and raw endpoints that
// send captured bytes and record what comes back.
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

// An endpoint that sends raw frames and records every frame it hears.
class RawStation {
public:
    explicit RawStation(std::unique_ptr<MemoryWireLink> link) : link_(std::move(link)), recorder_(*link_) {}
    void send(const std::vector<std::uint8_t>& frame) { link_->send(frame); }
    std::vector<std::vector<std::uint8_t>> take() {
        auto frames = recorder_.collect();
        recorder_.frames.clear();
        return frames;
    }

private:
    std::unique_ptr<MemoryWireLink> link_;
    FrameRecorder recorder_;
};

class SimTestbed {
public:
    SimTestbed() = default;
    ~SimTestbed() {
        for (auto& client : clients_) driver.remove(*client.node);
    }

    MemoryWire& addWire() {
        wires_.push_back(std::make_unique<MemoryWire>(clock, wires_.size() + 1));
        return *wires_.back();
    }
    MemoryWire& wire(std::size_t index) { return *wires_.at(index); }

    RawStation& addRaw(MemoryWire& wire) {
        raws_.push_back(std::make_unique<RawStation>(wire.connect()));
        return *raws_.back();
    }

    // A workstation that holds its id, THIS-NET and A-ROUTER already (as its RTMP stub would).
    Node& addClient(MemoryWire& wire, std::uint8_t id, std::uint16_t network, std::uint8_t router) {
        NodeConfig config;
        config.acquisition.preferredId = id;
        config.seed = 500 + clients_.size();
        auto link = wire.connect();
        auto node = std::make_unique<Node>(clock, *link, config);
        driver.add(*node);
        node->start();
        node->setThisNet(network);
        node->setARouter(router);
        clients_.push_back({std::move(link), std::move(node)});
        Node& added = *clients_.back().node;
        driver.advanceUntil([&added] { return added.isReady(); }, std::chrono::seconds(10));
        return added;
    }

    ManualClock clock;
    VirtualTimeDriver driver{clock};

private:
    struct Client {
        std::unique_ptr<MemoryWireLink> link;
        std::unique_ptr<Node> node;
    };
    std::vector<std::unique_ptr<MemoryWire>> wires_;
    std::vector<std::unique_ptr<RawStation>> raws_;
    std::vector<Client> clients_;
};

} // namespace appletalk::testing
