// SPDX-License-Identifier: MIT
// ZIP function codes. The codes of DDP-type-6 packets and of the requests carried over ATP
// overlap (7 and 8 mean different things), hence two enums.
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
};

// ATP user byte 0 of a ZIP request carried over ATP.
enum class ZipAtpFunction : std::uint8_t {
    GetMyZone = 7,
    GetZoneList = 8,
    GetLocalZones = 9,
};

} // namespace appletalk::zip
