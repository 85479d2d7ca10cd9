// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

std::optional<ZipGetNetInfoReply> ZipGetNetInfoReply::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::GetNetInfoReply)) return std::nullopt;
    ZipGetNetInfoReply reply;
    reply.flags = reader.u8();
    reply.rangeStart = reader.u16();
    reply.rangeEnd = reader.u16();
    reply.zone = reader.pstr(kMaxNameLength);
    const std::size_t multicastLength = reader.u8();
    if (multicastLength > kMaxMulticastLength) return std::nullopt;
    const auto multicast = reader.take(multicastLength);
    reply.multicastAddress.assign(multicast.begin(), multicast.end());
    if (reply.flags & kZoneInvalid) reply.defaultZone = reader.pstr(kMaxNameLength);
    if (!reader.atEnd() || reply.rangeStart > reply.rangeEnd) return std::nullopt;
    return reply;
}

std::vector<std::uint8_t> ZipGetNetInfoReply::serialize() const {
    ByteWriter writer;
    writer.require(rangeStart <= rangeEnd && multicastAddress.size() <= kMaxMulticastLength);
    writer.u8(static_cast<std::uint8_t>(ZipFunction::GetNetInfoReply));
    const auto wireFlags = static_cast<std::uint8_t>(defaultZone ? (flags | kZoneInvalid) : (flags & ~kZoneInvalid));
    writer.u8(wireFlags);
    writer.u16(rangeStart);
    writer.u16(rangeEnd);
    writer.pstr(zone, kMaxNameLength);
    writer.u8(static_cast<std::uint8_t>(multicastAddress.size()));
    writer.bytes(multicastAddress);
    if (defaultZone) writer.pstr(*defaultZone, kMaxNameLength);
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::zip
