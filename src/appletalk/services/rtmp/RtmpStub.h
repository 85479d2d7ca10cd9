// SPDX-License-Identifier: MIT
// The RTMP stub of a non-routing node, on socket 1. Every RTMP Data or Response tells it a
// router: THIS-NET (on a non-extended network) and A-ROUTER are set and a 50 s aging timer
// restarts; when the timer runs out the router is forgotten (A-ROUTER 0; THIS-NET is kept, as
// the cable keeps its number). On an extended cable the packets carry the cable's range: it
// is kept, and a THIS-NET outside it is moved to its first number. At start it asks with
// RTMP Requests a few times, ~1 s apart, until a router speaks. Other nodes' requests (DDP
// type 5) are ignored.
#pragma once

#include "appletalk/node/Node.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace appletalk {

struct CableRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    bool operator==(const CableRange&) const = default;
};

struct RtmpStubOptions {
    int requestCount = 3;
    Duration requestInterval = std::chrono::seconds(1);
    Duration agingTime = std::chrono::seconds(50);
};

class RtmpStub {
public:
    static constexpr std::uint8_t kRtmpSocket = 1;

    // Runs after every change of router (found, changed, or aged out).
    using RouterChanged = std::function<void()>;

    explicit RtmpStub(Node& node, RtmpStubOptions options = {});
    ~RtmpStub();
    RtmpStub(const RtmpStub&) = delete;
    RtmpStub& operator=(const RtmpStub&) = delete;

    // Opens socket 1 and sends the start-up requests once the node holds its id. False when
    // socket 1 is taken or the stub already started.
    bool start();
    bool isOpen() const { return open_; }

    bool hasRouter() const { return node_.aRouter() != 0; }
    // The range the last router announced for an extended cable; nothing on LocalTalk.
    const std::optional<CableRange>& cableRange() const { return cableRange_; }
    void setRouterChanged(RouterChanged callback) { routerChanged_ = std::move(callback); }

    std::uint64_t requestsSent() const { return requestsSent_; }
    std::uint64_t routerPackets() const { return routerPackets_; }

private:
    void receive(const Datagram& datagram);
    void heard(std::uint16_t network, std::uint8_t routerNode, std::optional<CableRange> range);
    void sendRequest();
    void ageOut();

    Node& node_;
    RtmpStubOptions options_;
    bool open_ = false;
    bool started_ = false;
    int requestsLeft_ = 0;
    TimerId requestTimer_ = 0;
    TimerId agingTimer_ = 0;
    RouterChanged routerChanged_;
    std::optional<CableRange> cableRange_;
    std::uint64_t requestsSent_ = 0;
    std::uint64_t routerPackets_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace appletalk
