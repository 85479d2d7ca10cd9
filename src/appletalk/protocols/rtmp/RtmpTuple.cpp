// SPDX-License-Identifier: MIT
#include "appletalk/protocols/rtmp/RtmpTuple.h"

namespace appletalk::rtmp {

RtmpTuple RtmpTuple::network(std::uint16_t net, std::uint8_t distance) { return RtmpTuple{net, net, distance, false}; }

RtmpTuple RtmpTuple::range(std::uint16_t start, std::uint16_t end, std::uint8_t distance) {
    return RtmpTuple{start, end, distance, true};
}

std::optional<RtmpTuple> RtmpTuple::read(ByteReader& reader) {
    RtmpTuple tuple;
    tuple.rangeStart = reader.u16();
    const std::uint8_t distanceByte = reader.u8();
    tuple.distance = distanceByte & kMaxDistance;
    tuple.extended = (distanceByte & kExtendedBit) != 0;
    tuple.rangeEnd = tuple.rangeStart;
    if (tuple.extended) {
        tuple.rangeEnd = reader.u16();
        if (reader.u8() != kVersion || tuple.rangeStart > tuple.rangeEnd) reader.fail();
    }
    if (!reader.ok()) return std::nullopt;
    return tuple;
}

void RtmpTuple::write(ByteWriter& writer) const {
    writer.require(distance <= kMaxDistance);
    writer.u16(rangeStart);
    if (!extended) {
        writer.u8(distance & kMaxDistance);
        return;
    }
    writer.require(rangeStart <= rangeEnd);
    writer.u8(static_cast<std::uint8_t>(kExtendedBit | (distance & kMaxDistance)));
    writer.u16(rangeEnd);
    writer.u8(kVersion);
}

} // namespace appletalk::rtmp
