// SPDX-License-Identifier: MIT
#include "appletalk/node/link/MemoryWireLink.h"

#include "appletalk/node/link/MemoryWireHub.h"

namespace appletalk {

MemoryWireLink::MemoryWireLink(std::shared_ptr<MemoryWireHub> hub) : hub_(std::move(hub)), endpoint_(hub_->join()) {}

MemoryWireLink::~MemoryWireLink() { hub_->leave(endpoint_); }

void MemoryWireLink::attach(FrameHandler onFrame, WakeHandler onInput) {
    onFrame_ = std::move(onFrame);
    hub_->setReceiving(endpoint_, std::move(onInput));
}

void MemoryWireLink::detach() {
    hub_->stopReceiving(endpoint_);
    onFrame_ = nullptr;
}

bool MemoryWireLink::send(std::span<const std::uint8_t> frame) { return hub_->transmit(endpoint_, frame); }

bool MemoryWireLink::poll() {
    if (!onFrame_) return false;
    // Taken out of the member while the handler runs, which may poll again.
    std::vector<MemoryWireHub::Frame> frames = std::move(due_);
    frames.clear();
    hub_->takeDue(endpoint_, frames);
    if (frames.empty()) {
        due_ = std::move(frames);
        return false;
    }
    // A copy: the handler may detach this link, which must not destroy the running handler.
    // The rest of the batch is then dropped, as frames arriving while detached are.
    const FrameHandler handler = onFrame_;
    for (const auto& frame : frames) {
        if (!onFrame_) break;
        handler(*frame);
    }
    frames.clear();
    due_ = std::move(frames);
    return true;
}

void MemoryWireLink::setNodeAddress(std::uint8_t node) {
    // A station of an Ethernet wire filters its own frames (see setHardwareAddress).
    if (!hardware_) hub_->setNodeAddress(endpoint_, node);
}

bool MemoryWireLink::joinGroup(const MacAddress& group) {
    if (!hardware_ || !group.isGroup()) return false;
    return !groupHandler_ || groupHandler_(group, true);
}

bool MemoryWireLink::leaveGroup(const MacAddress& group) {
    if (!hardware_ || !group.isGroup()) return false;
    return !groupHandler_ || groupHandler_(group, false);
}

std::optional<SteadyTime> MemoryWireLink::nextArrival() const { return hub_->nextArrival(endpoint_); }

std::uint64_t MemoryWireLink::framesDropped() const { return hub_->lostFor(endpoint_); }

} // namespace appletalk
