// SPDX-License-Identifier: MIT
// ZIP Reply (function 2): the zones of one or more networks as net/zone pairs, each
// network's pairs contiguous. The count byte is the number of networks in the packet.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::zip {

// One zone of one network, as carried by ZIP Reply and Extended Reply.
struct NetworkZone {
    std::uint16_t network = 0;
    std::string zone; // Mac OS Roman, at most 32 bytes

    bool operator==(const NetworkZone&) const = default;
};

struct ZipReply {
    std::vector<NetworkZone> entries;

    // Rejects a count that differs from the number of network runs, a network that comes
    // back after its run ended, names over 32 bytes and trailing bytes.
    static std::optional<ZipReply> parse(std::span<const std::uint8_t> bytes);
    // Empty when an entry is invalid, a network's entries are not contiguous, or > 586 bytes.
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const ZipReply&) const = default;
};

} // namespace appletalk::zip
