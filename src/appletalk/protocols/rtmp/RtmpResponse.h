// SPDX-License-Identifier: MIT
// RTMP Response (DDP type 1, unicast to the requester): sender's net, node-id length 8 and
// node; exactly 4 bytes on LocalTalk, followed by the cable's range tuple on extended networks.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/rtmp/RtmpTuple.h"

namespace appletalk::rtmp {

struct RtmpResponse {
    std::uint16_t senderNetwork = 0;
    std::uint8_t senderNode = 0;
    std::optional<RtmpTuple> cableRange; // extended networks only

    static std::optional<RtmpResponse> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const; // empty when the cable range is not an extended tuple

    bool operator==(const RtmpResponse&) const = default;
};

} // namespace appletalk::rtmp
