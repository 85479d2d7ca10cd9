// SPDX-License-Identifier: MIT
// Nodes on one in-process wire, driven on virtual time by the test's own thread, with a
// filter that drops chosen datagrams as they leave a node: deterministic loss ("the second
// response packet, once") next to the wire's seeded random impairments.
#pragma once

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace appletalk::testing {

// True: the datagram is lost.
using DropRule = std::function<bool(const Datagram&)>;

// Decodes what a node sends, for DropRules and for tests that read the wire.
inline std::optional<Datagram> decodeFrame(std::span<const std::uint8_t> bytes, std::uint16_t thisNet = 0) {
    const auto frame = LlapFrame::parse(bytes);
    if (!frame || frame->isControl()) return std::nullopt;
    const auto parsed = frame->type == LlapFrame::kShortDdp
                            ? DdpCodec::parseShort(frame->data, {thisNet, frame->destination, frame->source})
                            : DdpCodec::parseLong(frame->data);
    return parsed.datagram;
}

class FilteredLink final : public Link {
public:
    FilteredLink(std::unique_ptr<MemoryWireLink> inner, const DropRule& rule) : inner_(std::move(inner)), rule_(rule) {}

    void attach(FrameHandler onFrame, WakeHandler onInput) override { inner_->attach(onFrame, onInput); }
    void detach() override { inner_->detach(); }
    bool isAttached() const override { return inner_->isAttached(); }
    bool send(std::span<const std::uint8_t> frame) override {
        if (rule_) {
            const auto datagram = decodeFrame(frame);
            if (datagram && rule_(*datagram)) return true; // "sent", and lost on the way
        }
        return inner_->send(frame);
    }
    bool poll() override { return inner_->poll(); }
    std::optional<SteadyTime> nextArrival() const override { return inner_->nextArrival(); }

private:
    std::unique_ptr<MemoryWireLink> inner_;
    const DropRule& rule_;
};

class ServiceNetwork {
public:
    explicit ServiceNetwork(std::uint64_t wireSeed = 1) : wire(clock, wireSeed) {}
    ~ServiceNetwork() {
        for (auto& station : stations_) driver.remove(*station.node);
    }
    ServiceNetwork(const ServiceNetwork&) = delete;
    ServiceNetwork& operator=(const ServiceNetwork&) = delete;

    // A started node that holds `id` (probing takes two virtual seconds).
    Node& addNode(std::uint8_t id, NodeRole role = NodeRole::Workstation) {
        NodeConfig config;
        config.acquisition.role = role;
        config.acquisition.preferredId = id;
        config.seed = 500 + stations_.size();
        auto link = std::make_unique<FilteredLink>(wire.connect(), dropRule);
        auto node = std::make_unique<Node>(clock, *link, config);
        driver.add(*node);
        node->start();
        Node& added = *node;
        stations_.push_back({std::move(link), std::move(node)});
        driver.advanceUntil([&added] { return added.isReady(); }, std::chrono::seconds(10));
        return added;
    }

    // Removes a node from the wire, as a device switched off.
    void removeNode(Node& node) {
        for (auto it = stations_.begin(); it != stations_.end(); ++it) {
            if (it->node.get() != &node) continue;
            driver.remove(node);
            // The node goes before its link: erasing moves the stations behind it forward,
            // which would free this link under its node.
            it->node.reset();
            stations_.erase(it);
            return;
        }
    }

    void run() { driver.runUntilIdle(); }
    void advance(Duration duration) { driver.advance(duration); }
    bool advanceUntil(const std::function<bool()>& done, Duration limit) { return driver.advanceUntil(done, limit); }

    ManualClock clock;
    MemoryWire wire;
    VirtualTimeDriver driver{clock};
    DropRule dropRule;

private:
    struct Station {
        std::unique_ptr<FilteredLink> link;
        std::unique_ptr<Node> node;
    };
    std::vector<Station> stations_;
};

// A DropRule that loses the first `count` datagrams for which `match` holds.
inline DropRule dropFirst(int count, std::function<bool(const Datagram&)> match) {
    auto left = std::make_shared<int>(count);
    return [left, match = std::move(match)](const Datagram& datagram) {
        if (*left <= 0 || !match(datagram)) return false;
        --*left;
        return true;
    };
}

} // namespace appletalk::testing
