// SPDX-License-Identifier: MIT
// ZIP Query: "which zones do these networks have?" Function 1, a count, then the networks.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::zip {

struct ZipQuery {
    std::vector<std::uint16_t> networks; // range starts; at most 255

    static std::optional<ZipQuery> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const; // empty for more than 255 networks

    bool operator==(const ZipQuery&) const = default;
};

} // namespace appletalk::zip
