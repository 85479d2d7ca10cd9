// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipZoneListReply.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::zip {

std::optional<ZipZoneListReply> ZipZoneListReply::parse(std::span<const std::uint8_t> userBytes,
                                                        std::span<const std::uint8_t> data) {
    if (userBytes.size() != 4 || data.size() > kMaxAtpData) return std::nullopt;
    ZipZoneListReply reply;
    reply.last = userBytes[0] != 0;
    const std::size_t count = static_cast<std::size_t>(userBytes[2] << 8 | userBytes[3]);
    ByteReader reader(data);
    while (reader.ok() && reader.remaining() > 0 && reply.zones.size() < count)
        reply.zones.push_back(reader.pstr(kMaxNameLength));
    if (!reader.atEnd() || reply.zones.size() != count) return std::nullopt;
    return reply;
}

std::optional<atp::AtpPayload> ZipZoneListReply::serialize() const {
    ByteWriter writer;
    for (const auto& zone : zones) writer.pstr(zone, kMaxNameLength);
    if (!writer.ok() || writer.size() > kMaxAtpData) return std::nullopt;
    const auto count = static_cast<std::uint16_t>(zones.size());
    atp::AtpPayload payload;
    payload.userBytes = {static_cast<std::uint8_t>(last ? 1 : 0), 0, static_cast<std::uint8_t>(count >> 8),
                         static_cast<std::uint8_t>(count & 0xFF)};
    payload.data = writer.finish(kMaxAtpData);
    return payload;
}

std::optional<ZipZoneListReply> ZipZoneListReply::page(std::span<const std::string> zones, std::uint16_t startIndex) {
    const bool valid =
        std::all_of(zones.begin(), zones.end(), [](const std::string& zone) { return zone.size() <= kMaxNameLength; });
    if (!valid) return std::nullopt;
    ZipZoneListReply reply;
    std::size_t index = startIndex == 0 ? 0 : startIndex - 1u;
    std::size_t size = 0;
    for (; index < zones.size() && size + 1 + zones[index].size() <= kMaxAtpData; ++index) {
        reply.zones.push_back(zones[index]);
        size += 1 + zones[index].size();
    }
    reply.last = index >= zones.size();
    return reply;
}

} // namespace appletalk::zip
