// SPDX-License-Identifier: MIT
#include "appletalk/protocols/asp/AspCmdResult.h"

namespace appletalk::asp {

std::optional<AspCmdResult> AspCmdResult::parse(std::span<const std::uint8_t> userBytes) {
    if (userBytes.size() != 4) return std::nullopt;
    const std::uint32_t word = std::uint32_t{userBytes[0]} << 24 | std::uint32_t{userBytes[1]} << 16 |
                               std::uint32_t{userBytes[2]} << 8 | userBytes[3];
    return AspCmdResult{static_cast<std::int32_t>(word)};
}

atp::UserBytes AspCmdResult::serialize() const {
    const auto word = static_cast<std::uint32_t>(result);
    return {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
            static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
}

} // namespace appletalk::asp
