// SPDX-License-Identifier: MIT
// Many nodes of one process on one LToUDP segment (a simulator's router port and devices):
// they share an in-process wire, and the bridge carries frames between that wire and one
// LToUDP socket. With a socket per node, every datagram on the segment would be copied into
// every node's socket and read there, a thousand times over for a burst of a thousand
// replies, and a node whose socket filled with others' frames would lose its own. Through the
// bridge the kernel hands each datagram to this process once, and the wire hands each frame
// only to the node it is addressed to (and to all for a broadcast).
#pragma once

#include "appletalk/node/Pollable.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"

#include <memory>

namespace appletalk {

class LToUdpBridge final : public Pollable {
public:
    LToUdpBridge(const Clock& clock, std::unique_ptr<LToUdpLink> link);
    ~LToUdpBridge() override;
    LToUdpBridge(const LToUdpBridge&) = delete;
    LToUdpBridge& operator=(const LToUdpBridge&) = delete;

    // A new station on the segment.
    std::unique_ptr<MemoryWireLink> connect() { return wire_.connect(); }
    const LToUdpLink& link() const { return *link_; }

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override { return port_->nextArrival(); }
    int waitHandle() const override { return link_->waitHandle(); }
    void setWakeHandler(std::function<void()> wake) override;

private:
    void attachPort(std::function<void()> wake);

    std::unique_ptr<LToUdpLink> link_;
    MemoryWire wire_;
    std::unique_ptr<MemoryWireLink> port_; // the bridge's own end of the wire: hears every frame
};

} // namespace appletalk
