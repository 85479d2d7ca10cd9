// SPDX-License-Identifier: MIT
// ZIP GetNetInfo reply (function 6): flags, the cable's network range, the zone that was
// asked about (echoed), the zone's multicast address, and the default zone, which is on the
// wire only when the "zone invalid" flag (0x80) is set.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::zip {

struct ZipGetNetInfoReply {
    static constexpr std::uint8_t kZoneInvalid = 0x80; // requested zone not on this net
    static constexpr std::uint8_t kUseBroadcast = 0x40; // no zone multicast address
    static constexpr std::uint8_t kOnlyOneZone = 0x20;
    static constexpr std::size_t kMaxMulticastLength = 6; // a MAC address; 0 on LocalTalk

    // Bit 0x80 on the wire follows defaultZone: serialize sets it exactly when a default zone
    // is present, so the two cannot disagree.
    std::uint8_t flags = 0;
    std::uint16_t rangeStart = 0;
    std::uint16_t rangeEnd = 0;
    std::string zone;
    std::vector<std::uint8_t> multicastAddress;
    std::optional<std::string> defaultZone;

    bool zoneInvalid() const { return defaultZone.has_value(); }

    // Rejects an inverted range, a multicast address over 6 bytes, names over 32 bytes,
    // truncation and trailing bytes.
    static std::optional<ZipGetNetInfoReply> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const ZipGetNetInfoReply&) const = default;
};

} // namespace appletalk::zip
