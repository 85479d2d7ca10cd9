// SPDX-License-Identifier: MIT
// ZIP GetNetInfo request (function 5): five zero bytes, then the zone pstr to validate
// (empty when the node has none).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::zip {

struct ZipGetNetInfoRequest {
    std::string zone;

    // The five reserved bytes are not checked: senders are supposed to zero them, and a
    // router has no use for their content.
    static std::optional<ZipGetNetInfoRequest> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const; // empty for a zone over 32 bytes

    bool operator==(const ZipGetNetInfoRequest&) const = default;
};

} // namespace appletalk::zip
