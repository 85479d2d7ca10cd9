// SPDX-License-Identifier: MIT
// One endpoint of a MemoryWire.
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace appletalk {

class MemoryWireHub;

class MemoryWireLink final : public Link {
public:
    explicit MemoryWireLink(std::shared_ptr<MemoryWireHub> hub);
    ~MemoryWireLink() override;
    MemoryWireLink(const MemoryWireLink&) = delete;
    MemoryWireLink& operator=(const MemoryWireLink&) = delete;

    void attach(FrameHandler onFrame, WakeHandler onInput) override;
    void detach() override;
    bool isAttached() const override { return static_cast<bool>(onFrame_); }
    bool send(std::span<const std::uint8_t> frame) override;
    bool poll() override;
    std::optional<SteadyTime> nextArrival() const override;
    // What the wire's impairments lost on the way here.
    std::uint64_t framesDropped() const override;
    void setNodeAddress(std::uint8_t node) override;

    // Makes this endpoint an Ethernet station: its node then speaks EtherTalk on the wire,
    // and filters group addresses itself (a wire hands every frame to every endpoint).
    void setHardwareAddress(const MacAddress& address) { hardware_ = address; }
    std::optional<MacAddress> hardwareAddress() const override { return hardware_; }
    // Told of every group the station joins (true) or leaves (false), for a wire that must
    // listen for it elsewhere (a bridge to a real interface); a join it refuses fails.
    using GroupHandler = std::function<bool(const MacAddress& group, bool join)>;
    void setGroupHandler(GroupHandler handler) { groupHandler_ = std::move(handler); }
    bool joinGroup(const MacAddress& group) override;
    bool leaveGroup(const MacAddress& group) override;

private:
    std::shared_ptr<MemoryWireHub> hub_;
    std::uint64_t endpoint_;
    FrameHandler onFrame_;
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> due_; // kept: a poll allocates nothing
    std::optional<MacAddress> hardware_;
    GroupHandler groupHandler_;
};

} // namespace appletalk
