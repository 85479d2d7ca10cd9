// SPDX-License-Identifier: MIT
// A 48-bit Ethernet hardware address, and the ones AppleTalk reserves.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace appletalk {

struct MacAddress {
    std::array<std::uint8_t, 6> bytes{};

    bool isGroup() const { return (bytes[0] & 0x01) != 0; }
    bool isZero() const { return bytes == std::array<std::uint8_t, 6>{}; }
    std::string toString() const; // "09:00:07:ff:ff:ff"
    static std::optional<MacAddress> parse(std::string_view text);
    // The address in six bytes off the wire; nothing for any other length.
    static std::optional<MacAddress> fromBytes(std::span<const std::uint8_t> bytes);

    auto operator<=>(const MacAddress&) const = default;
};

// Every AppleTalk node on the cable listens to this one.
inline constexpr MacAddress kAppleTalkBroadcast{{0x09, 0x00, 0x07, 0xFF, 0xFF, 0xFF}};

} // namespace appletalk
