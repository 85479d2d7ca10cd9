// SPDX-License-Identifier: MIT
// An internet socket address: network, node, socket.
#pragma once

#include <cstdint>

namespace appletalk {

struct DdpAddress {
    static constexpr std::uint8_t kBroadcastNode = 0xFF;
    static constexpr std::uint8_t kAnyRouterNode = 0x00;

    std::uint16_t network = 0; // 0: this network
    std::uint8_t node = 0;
    std::uint8_t socket = 0;

    bool operator==(const DdpAddress&) const = default;
};

} // namespace appletalk
