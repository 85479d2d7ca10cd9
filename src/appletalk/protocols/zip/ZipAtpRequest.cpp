// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipAtpRequest.h"

namespace appletalk::zip {

namespace {

bool isAtpFunction(std::uint8_t code) {
    return code >= static_cast<std::uint8_t>(ZipAtpFunction::GetMyZone) &&
           code <= static_cast<std::uint8_t>(ZipAtpFunction::GetLocalZones);
}

} // namespace

std::optional<ZipAtpRequest> ZipAtpRequest::parse(std::span<const std::uint8_t> userBytes) {
    if (userBytes.size() != 4 || !isAtpFunction(userBytes[0])) return std::nullopt;
    return ZipAtpRequest{static_cast<ZipAtpFunction>(userBytes[0]),
                         static_cast<std::uint16_t>(userBytes[2] << 8 | userBytes[3])};
}

atp::UserBytes ZipAtpRequest::serialize() const {
    return {static_cast<std::uint8_t>(function), 0, static_cast<std::uint8_t>(startIndex >> 8),
            static_cast<std::uint8_t>(startIndex & 0xFF)};
}

} // namespace appletalk::zip
