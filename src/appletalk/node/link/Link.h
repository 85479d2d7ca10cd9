// SPDX-License-Identifier: MIT
// A link carries LLAP frames (destination, source, type, data; no FCS) between nodes, or,
// when it has a hardware address, EtherTalk frames (802.3 with LLC/SNAP).
// Received frames wait in the link until its owner polls, so protocol code always runs on the
// owner's thread; the wake handler only tells that thread there is something to poll.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/link/ReceiveBuffer.h"
#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace appletalk {

class Link {
public:
    using FrameHandler = std::function<void(std::span<const std::uint8_t> frame)>;
    using WakeHandler = std::function<void()>;

    virtual ~Link() = default;

    // From now on received frames are kept for poll(). `onInput` may be called from any
    // thread, and while the link holds a lock: it must only wake the owner, never call back.
    virtual void attach(FrameHandler onFrame, WakeHandler onInput) = 0;
    // Frames arriving while detached are dropped.
    virtual void detach() = 0;
    virtual bool isAttached() const = 0;

    // Sends one frame to every other node on the link. False when it could not be sent.
    virtual bool send(std::span<const std::uint8_t> frame) = 0;

    // Hands every frame that has arrived by now to the frame handler, on the caller's thread.
    // True if it handed over any.
    virtual bool poll() = 0;
    // When a frame already in the link becomes due (delayed delivery); nullopt if none waits.
    virtual std::optional<SteadyTime> nextArrival() const { return std::nullopt; }
    // A descriptor that turns readable when frames arrive, or -1 (the wake handler is used).
    virtual int waitHandle() const { return -1; }
    // Frames lost on their way in before the node could see them (a socket's receive buffer
    // that was full), as far as the link can tell.
    virtual std::uint64_t framesDropped() const { return 0; }
    // The receive buffer the kernel granted the link's socket; nothing for a link without one.
    virtual std::optional<ReceiveBufferGrant> receiveBuffer() const { return std::nullopt; }

    // The node's LocalTalk id, once it holds one. A link whose hardware recognises its own
    // address (as a LocalTalk controller does) may from now on drop frames for other nodes;
    // the broadcast still comes. Others ignore it: the node checks every header itself.
    virtual void setNodeAddress(std::uint8_t /*node*/) {}

    // An Ethernet link's own address; nothing for a LocalTalk link.
    virtual std::optional<MacAddress> hardwareAddress() const { return std::nullopt; }
    // Frames to a group address are received only once it is joined (the AppleTalk
    // broadcast is joined from the start). False when the link cannot.
    virtual bool joinGroup(const MacAddress& /*group*/) { return false; }
    virtual bool leaveGroup(const MacAddress& /*group*/) { return false; }
};

} // namespace appletalk
