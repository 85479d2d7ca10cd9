// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipExtendedReply.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

namespace {

constexpr std::size_t kHeaderSize = 2; // function, count
std::size_t entrySize(const std::string& zone) { return 2 + 1 + zone.size(); } // net, pstr

} // namespace

std::optional<ZipExtendedReply> ZipExtendedReply::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxDdpData) return std::nullopt;
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::ExtendedReply)) return std::nullopt;
    ZipExtendedReply reply;
    reply.totalZones = reader.u8();
    while (reader.ok() && reader.remaining() > 0) {
        const std::uint16_t network = reader.u16();
        if (!reply.zones.empty() && network != reply.network) return std::nullopt;
        reply.network = network;
        reply.zones.push_back(reader.pstr(kMaxNameLength));
    }
    if (!reader.atEnd() || reply.zones.empty() || reply.zones.size() > reply.totalZones) return std::nullopt;
    return reply;
}

std::vector<std::uint8_t> ZipExtendedReply::serialize() const {
    ByteWriter writer;
    writer.require(!zones.empty() && zones.size() <= totalZones);
    writer.u8(static_cast<std::uint8_t>(ZipFunction::ExtendedReply));
    writer.u8(totalZones);
    for (const auto& zone : zones) {
        writer.u16(network);
        writer.pstr(zone, kMaxNameLength);
    }
    return writer.finish(kMaxDdpData);
}

std::vector<ZipExtendedReply> ZipExtendedReply::pack(std::uint16_t network, const std::vector<std::string>& zones) {
    const bool valid =
        !zones.empty() && zones.size() <= 255 &&
        std::all_of(zones.begin(), zones.end(), [](const std::string& z) { return z.size() <= kMaxNameLength; });
    if (!valid) return {};
    std::vector<ZipExtendedReply> packets;
    std::size_t size = kMaxDdpData; // forces a first packet
    for (const auto& zone : zones) {
        if (size + entrySize(zone) > kMaxDdpData) {
            packets.push_back(ZipExtendedReply{network, static_cast<std::uint8_t>(zones.size()), {}});
            size = kHeaderSize;
        }
        packets.back().zones.push_back(zone);
        size += entrySize(zone);
    }
    return packets;
}

} // namespace appletalk::zip
