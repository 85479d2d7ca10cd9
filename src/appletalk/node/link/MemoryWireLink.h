// One endpoint of a MemoryWire.
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <memory>

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

private:
    std::shared_ptr<MemoryWireHub> hub_;
    std::uint64_t endpoint_;
    FrameHandler onFrame_;
};

} // namespace appletalk
