// SPDX-License-Identifier: MIT
#include "appletalk/protocols/pap/PapHeader.h"

namespace appletalk::pap {

std::optional<PapHeader> PapHeader::parse(std::span<const std::uint8_t> userBytes) {
    if (userBytes.size() != 4) return std::nullopt;
    const std::uint8_t function = userBytes[1];
    if (function < static_cast<std::uint8_t>(PapFunction::OpenConn) ||
        function > static_cast<std::uint8_t>(PapFunction::Status))
        return std::nullopt;
    return PapHeader{userBytes[0], static_cast<PapFunction>(function),
                     static_cast<std::uint16_t>(userBytes[2] << 8 | userBytes[3])};
}

atp::UserBytes PapHeader::serialize() const {
    return {connectionId, static_cast<std::uint8_t>(function), static_cast<std::uint8_t>(parameter >> 8),
            static_cast<std::uint8_t>(parameter & 0xFF)};
}

} // namespace appletalk::pap
