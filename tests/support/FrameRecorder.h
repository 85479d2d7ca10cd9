// SPDX-License-Identifier: MIT
// A bare endpoint that records every frame it hears, to see exactly what went on the wire.
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <span>
#include <vector>

namespace appletalk::testing {

class FrameRecorder {
public:
    explicit FrameRecorder(Link& link) : link_(link) {
        link_.attach([this](std::span<const std::uint8_t> frame) { frames.emplace_back(frame.begin(), frame.end()); },
                     [] {});
    }
    ~FrameRecorder() { link_.detach(); }
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    const std::vector<std::vector<std::uint8_t>>& collect() {
        link_.poll();
        return frames;
    }

    std::vector<std::vector<std::uint8_t>> frames;

private:
    Link& link_;
};

} // namespace appletalk::testing
