// SPDX-License-Identifier: MIT
// The reply to GetMyZone, GetZoneList and GetLocalZones (an ATP TResp): LastFlag in user
// byte 0, the zone count in user bytes 2..3, the zones as consecutive pstrs in the ATP data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::zip {

struct ZipZoneListReply {
    bool last = false; // this packet holds the last zone of the list
    std::vector<std::string> zones;

    // Rejects a count that differs from the pstrs in the data, names over 32 bytes, data over
    // 578 bytes and trailing bytes.
    static std::optional<ZipZoneListReply> parse(std::span<const std::uint8_t> userBytes,
                                                 std::span<const std::uint8_t> data);
    // nullopt when a zone is over 32 bytes or the zones exceed 578 bytes.
    std::optional<atp::AtpPayload> serialize() const;

    // One page of a zone list for a GetZoneList/GetLocalZones at the 1-based startIndex (0 is
    // taken as 1): as many whole names as fit in 578 bytes. An index past the end gives an
    // empty last page. nullopt when a zone of the list is over 32 bytes.
    static std::optional<ZipZoneListReply> page(std::span<const std::string> zones, std::uint16_t startIndex);

    bool operator==(const ZipZoneListReply&) const = default;
};

} // namespace appletalk::zip
