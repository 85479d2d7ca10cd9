// SPDX-License-Identifier: MIT
// An AARP packet (Ethernet hardware, AppleTalk protocol): who has, or who is probing for,
// an AppleTalk address, and the hardware address that has it.
#pragma once

#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

// A node's AppleTalk address on an extended cable.
struct NodeAddress {
    std::uint16_t network = 0;
    std::uint8_t node = 0;
    auto operator<=>(const NodeAddress&) const = default;
};

enum class AarpFunction : std::uint16_t { Request = 1, Response = 2, Probe = 3 };

struct AarpPacket {
    static constexpr std::size_t kSize = 28;

    AarpFunction function = AarpFunction::Request;
    MacAddress sourceHardware;
    NodeAddress sourceAddress;
    MacAddress destinationHardware; // zero in Requests and Probes
    NodeAddress destinationAddress;

    // Nothing unless hardware type 1, protocol 0x809B, lengths 6 and 4, a known function.
    // Bytes after the 28 (frame padding) are ignored.
    static std::optional<AarpPacket> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const AarpPacket&) const = default;
};

} // namespace appletalk
