// SPDX-License-Identifier: MIT
// GetSrvrParms' reply: the server's clock (seconds since 1 January 2000) and its volumes,
// each a flags byte (password, Apple II configuration) and a name of up to 27 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

struct AfpServerParms {
    static constexpr std::uint8_t kHasPassword = 0x80;
    static constexpr std::uint8_t kHasConfigInfo = 0x40;

    struct Volume {
        std::uint8_t flags = 0;
        std::string name;

        bool operator==(const Volume&) const = default;
    };

    std::uint32_t serverTime = 0;
    std::vector<Volume> volumes;

    static std::optional<AfpServerParms> parse(std::span<const std::uint8_t> bytes);
    // Nothing when there are over 255 volumes or a name is over 27 bytes.
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const AfpServerParms&) const = default;
};

} // namespace appletalk::afp
