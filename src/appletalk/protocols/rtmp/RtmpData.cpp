// SPDX-License-Identifier: MIT
#include "appletalk/protocols/rtmp/RtmpData.h"

#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::rtmp {

namespace {

bool startsWithVersionMarker(const ByteReader& reader) {
    const auto marker = reader.peek(3);
    return marker.size() == 3 && marker[0] == 0 && marker[1] == 0 && marker[2] == RtmpTuple::kVersion;
}

// Extended network numbers start at 1; a zero start would also read as the non-extended marker.
bool isValidCableRange(const RtmpTuple& tuple) { return tuple.extended && tuple.rangeStart != 0; }

} // namespace

std::optional<RtmpData> RtmpData::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxDdpData) return std::nullopt;
    ByteReader reader(bytes);
    RtmpData data;
    data.senderNetwork = reader.u16();
    if (reader.u8() != kNodeIdLength) return std::nullopt;
    data.senderNode = reader.u8();
    if (startsWithVersionMarker(reader)) {
        reader.skip(3);
    } else {
        data.cableRange = RtmpTuple::read(reader);
        if (!data.cableRange || !isValidCableRange(*data.cableRange)) return std::nullopt;
    }
    while (reader.ok() && reader.remaining() > 0) {
        const auto tuple = RtmpTuple::read(reader);
        if (!tuple) return std::nullopt;
        data.tuples.push_back(*tuple);
    }
    if (!reader.atEnd()) return std::nullopt;
    return data;
}

std::vector<std::uint8_t> RtmpData::serialize() const {
    ByteWriter writer;
    writer.u16(senderNetwork);
    writer.u8(kNodeIdLength);
    writer.u8(senderNode);
    if (cableRange) {
        writer.require(isValidCableRange(*cableRange));
        cableRange->write(writer);
    } else {
        writer.u16(0);
        writer.u8(RtmpTuple::kVersion);
    }
    for (const auto& tuple : tuples) tuple.write(writer);
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::rtmp
