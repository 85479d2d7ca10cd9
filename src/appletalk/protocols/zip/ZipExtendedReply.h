// SPDX-License-Identifier: MIT
// ZIP Extended Reply (function 8): zones of one network only. The count byte is the total
// number of zones of that network, which may be spread over several packets.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::zip {

struct ZipExtendedReply {
    std::uint16_t network = 0;
    std::uint8_t totalZones = 0; // across every packet of this reply
    std::vector<std::string> zones; // the ones in this packet, at least one

    // Rejects mixed networks, no zone at all, more zones than the total, names over 32 bytes.
    static std::optional<ZipExtendedReply> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const;

    // Splits a network's whole zone list into as many packets as needed (each <= 586 bytes).
    // Empty when the list is empty, longer than 255 or holds a name over 32 bytes.
    static std::vector<ZipExtendedReply> pack(std::uint16_t network, const std::vector<std::string>& zones);

    bool operator==(const ZipExtendedReply&) const = default;
};

} // namespace appletalk::zip
