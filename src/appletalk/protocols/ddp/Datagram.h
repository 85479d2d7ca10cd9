// SPDX-License-Identifier: MIT
// A DDP datagram as the services see it, whichever header carried it.
#pragma once

#include "appletalk/protocols/ddp/DdpAddress.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace appletalk {

struct Datagram {
    static constexpr std::size_t kMaxData = 586;

    DdpAddress destination;
    DdpAddress source;
    std::uint8_t type = 0; // 1 RTMP, 2 NBP, 3 ATP, 4 AEP, 5 RTMP request, 6 ZIP
    std::uint8_t hopCount = 0; // long headers only; 0..15
    std::vector<std::uint8_t> data;

    bool operator==(const Datagram&) const = default;
};

} // namespace appletalk
