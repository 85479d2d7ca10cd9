// ZIP function codes: the first data byte of a DDP-type-6 packet, or ATP user byte 0 of a
// ZIP request carried over ATP.
#pragma once

#include <cstdint>

namespace appletalk::zip {

enum class ZipFunction : std::uint8_t {
    Query = 1,
    Reply = 2,
    GetNetInfoRequest = 5,
    GetNetInfoReply = 6,
    Notify = 7,
    ExtendedReply = 8,
    // Over ATP (function code in user byte 0):
    GetMyZone = 7,
    GetZoneList = 8,
    GetLocalZones = 9,
};

} // namespace appletalk::zip
