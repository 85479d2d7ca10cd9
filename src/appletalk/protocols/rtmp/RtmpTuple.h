// SPDX-License-Identifier: MIT
// One RTMP routing tuple: a non-extended network (net, distance) or an extended range
// (start, 0x80|distance, end, version 0x82).
#pragma once

#include <cstdint>
#include <optional>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::rtmp {

struct RtmpTuple {
    static constexpr std::uint8_t kVersion = 0x82;
    static constexpr std::uint8_t kExtendedBit = 0x80;
    static constexpr std::uint8_t kMaxDistance = 0x7F; // 7 bits on the wire
    static constexpr std::uint8_t kNotifyNeighbour = 31; // "this route went bad"

    std::uint16_t rangeStart = 0; // the network of a non-extended tuple
    std::uint16_t rangeEnd = 0; // equals rangeStart on a non-extended tuple
    std::uint8_t distance = 0;
    bool extended = false;

    static RtmpTuple network(std::uint16_t net, std::uint8_t distance);
    static RtmpTuple range(std::uint16_t start, std::uint16_t end, std::uint8_t distance);

    // Reads one tuple; nullopt (and the reader failed) on a truncated tuple, a wrong version
    // byte or a range whose start lies above its end.
    static std::optional<RtmpTuple> read(ByteReader& reader);
    // Refuses (writer failed) a distance above 7 bits or an inverted range.
    void write(ByteWriter& writer) const;

    bool operator==(const RtmpTuple&) const = default;
};

} // namespace appletalk::rtmp
