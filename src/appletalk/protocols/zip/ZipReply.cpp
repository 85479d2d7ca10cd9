// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipReply.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

namespace {

// The number of networks, or nullopt when a network's entries are split by another's.
std::optional<std::size_t> countContiguousNetworks(const std::vector<NetworkZone>& entries) {
    std::vector<std::uint16_t> seen;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && entries[i].network == entries[i - 1].network) continue;
        if (std::find(seen.begin(), seen.end(), entries[i].network) != seen.end()) return std::nullopt;
        seen.push_back(entries[i].network);
    }
    return seen.size();
}

} // namespace

std::optional<ZipReply> ZipReply::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxDdpData) return std::nullopt;
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::Reply)) return std::nullopt;
    const std::size_t networkCount = reader.u8();
    ZipReply reply;
    while (reader.ok() && reader.remaining() > 0) {
        NetworkZone entry;
        entry.network = reader.u16();
        entry.zone = reader.pstr(kMaxNameLength);
        reply.entries.push_back(std::move(entry));
    }
    if (!reader.atEnd()) return std::nullopt;
    if (countContiguousNetworks(reply.entries) != networkCount) return std::nullopt;
    return reply;
}

std::vector<std::uint8_t> ZipReply::serialize() const {
    const auto networkCount = countContiguousNetworks(entries);
    ByteWriter writer;
    writer.require(networkCount.has_value() && *networkCount <= 255);
    writer.u8(static_cast<std::uint8_t>(ZipFunction::Reply));
    writer.u8(static_cast<std::uint8_t>(networkCount.value_or(0)));
    for (const auto& entry : entries) {
        writer.u16(entry.network);
        writer.pstr(entry.zone, kMaxNameLength);
    }
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::zip
