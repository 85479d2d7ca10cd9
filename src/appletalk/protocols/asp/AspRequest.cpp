// SPDX-License-Identifier: MIT
#include "appletalk/protocols/asp/AspRequest.h"

namespace appletalk::asp {

std::optional<AspRequest> AspRequest::parse(std::span<const std::uint8_t> userBytes) {
    if (userBytes.size() != 4) return std::nullopt;
    const std::uint8_t function = userBytes[0];
    if (function < static_cast<std::uint8_t>(AspFunction::CloseSess) ||
        function > static_cast<std::uint8_t>(AspFunction::Attention))
        return std::nullopt;
    const AspRequest request{static_cast<AspFunction>(function), userBytes[1],
                             static_cast<std::uint16_t>(userBytes[2] << 8 | userBytes[3])};
    if (request.function == AspFunction::Attention && request.parameter == 0) return std::nullopt;
    return request;
}

atp::UserBytes AspRequest::serialize() const {
    return {static_cast<std::uint8_t>(function), session, static_cast<std::uint8_t>(parameter >> 8),
            static_cast<std::uint8_t>(parameter & 0xFF)};
}

} // namespace appletalk::asp
