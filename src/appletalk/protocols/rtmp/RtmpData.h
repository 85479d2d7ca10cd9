// SPDX-License-Identifier: MIT
// RTMP Data (DDP type 1), broadcast by routers every 10 s. Non-extended form: sender's
// net, node-id length 8, node, the 00 00 82 version marker, then tuples. Extended form: the
// first tuple (an extended range) describes the sender's cable instead of the marker.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/rtmp/RtmpTuple.h"

namespace appletalk::rtmp {

struct RtmpData {
    static constexpr std::uint8_t kNodeIdLength = 8; // bits, always 8 on the networks we speak

    std::uint16_t senderNetwork = 0;
    std::uint8_t senderNode = 0;
    std::optional<RtmpTuple> cableRange; // present on extended networks only
    std::vector<RtmpTuple> tuples; // the routing table; a stub may ignore it

    bool isExtended() const { return cableRange.has_value(); }

    static std::optional<RtmpData> parse(std::span<const std::uint8_t> bytes);
    // Empty when refused: a cable range that is not an extended tuple with a non-zero start,
    // a bad tuple, or more than 586 bytes.
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const RtmpData&) const = default;
};

} // namespace appletalk::rtmp
