// SPDX-License-Identifier: MIT
// The ZIP requests carried over ATP (TReq, bitmap 0x01, at-least-once, to the router's socket
// 6): the function in user byte 0, a zero, and a 1-based start index in bytes 2..3.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "appletalk/protocols/atp/AtpPayload.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

struct ZipAtpRequest {
    ZipAtpFunction function = ZipAtpFunction::GetZoneList; // GetMyZone, GetZoneList or GetLocalZones
    std::uint16_t startIndex = 1; // 1-based; 0 for GetMyZone

    static ZipAtpRequest getMyZone() { return {ZipAtpFunction::GetMyZone, 0}; }
    static ZipAtpRequest getZoneList(std::uint16_t startIndex) { return {ZipAtpFunction::GetZoneList, startIndex}; }
    static ZipAtpRequest getLocalZones(std::uint16_t startIndex) { return {ZipAtpFunction::GetLocalZones, startIndex}; }

    // Takes the 4 ATP user bytes; rejects another size or an unknown function. Byte 1 is not
    // checked: it is meant to be zero and carries nothing.
    static std::optional<ZipAtpRequest> parse(std::span<const std::uint8_t> userBytes);
    atp::UserBytes serialize() const;

    bool operator==(const ZipAtpRequest&) const = default;
};

} // namespace appletalk::zip
