// SPDX-License-Identifier: MIT
// A range of network numbers: an extended cable's, or the start-up range its nodes use
// until a router tells them the cable's.
#pragma once

#include <cstdint>

namespace appletalk {

struct NetworkRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    bool contains(std::uint16_t network) const { return network >= first && network <= last; }
    bool operator==(const NetworkRange&) const = default;
};

inline constexpr NetworkRange kStartupRange{0xFF00, 0xFFFE};

} // namespace appletalk
