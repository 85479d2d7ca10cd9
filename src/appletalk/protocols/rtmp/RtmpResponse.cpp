// SPDX-License-Identifier: MIT
#include "appletalk/protocols/rtmp/RtmpResponse.h"

#include "appletalk/protocols/rtmp/RtmpData.h"

namespace appletalk::rtmp {

namespace {

constexpr std::size_t kShortSize = 4;
constexpr std::size_t kExtendedSize = 10;

} // namespace

std::optional<RtmpResponse> RtmpResponse::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kShortSize && bytes.size() != kExtendedSize) return std::nullopt;
    ByteReader reader(bytes);
    RtmpResponse response;
    response.senderNetwork = reader.u16();
    if (reader.u8() != RtmpData::kNodeIdLength) return std::nullopt;
    response.senderNode = reader.u8();
    if (bytes.size() == kExtendedSize) {
        response.cableRange = RtmpTuple::read(reader);
        if (!response.cableRange || !response.cableRange->extended) return std::nullopt;
    }
    if (!reader.atEnd()) return std::nullopt;
    return response;
}

std::vector<std::uint8_t> RtmpResponse::serialize() const {
    ByteWriter writer;
    writer.u16(senderNetwork);
    writer.u8(RtmpData::kNodeIdLength);
    writer.u8(senderNode);
    if (cableRange) {
        writer.require(cableRange->extended);
        cableRange->write(writer);
    }
    return writer.finish(kExtendedSize);
}

} // namespace appletalk::rtmp
