// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipNotify.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"

namespace appletalk::zip {

namespace {

constexpr std::size_t kReservedBytes = 4;
constexpr std::size_t kShortReservedBytes = 2;

std::optional<ZipNotify> parseWithReserved(std::span<const std::uint8_t> bytes, std::size_t reserved) {
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::Notify)) return std::nullopt;
    ZipNotify notify;
    notify.flags = reader.u8();
    reader.skip(reserved);
    notify.oldZone = reader.pstr(kMaxNameLength);
    const std::size_t multicastLength = reader.u8();
    if (multicastLength > ZipGetNetInfoReply::kMaxMulticastLength) return std::nullopt;
    const auto multicast = reader.take(multicastLength);
    notify.multicastAddress.assign(multicast.begin(), multicast.end());
    notify.newZone = reader.pstr(kMaxNameLength);
    if (!reader.atEnd()) return std::nullopt;
    return notify;
}

} // namespace

std::optional<ZipNotify> ZipNotify::parse(std::span<const std::uint8_t> bytes) {
    if (auto notify = parseWithReserved(bytes, kReservedBytes)) return notify;
    return parseWithReserved(bytes, kShortReservedBytes);
}

std::vector<std::uint8_t> ZipNotify::serialize() const {
    ByteWriter writer;
    writer.require(multicastAddress.size() <= ZipGetNetInfoReply::kMaxMulticastLength);
    writer.u8(static_cast<std::uint8_t>(ZipFunction::Notify));
    writer.u8(flags);
    writer.zeros(kReservedBytes);
    writer.pstr(oldZone, kMaxNameLength);
    writer.u8(static_cast<std::uint8_t>(multicastAddress.size()));
    writer.bytes(multicastAddress);
    writer.pstr(newZone, kMaxNameLength);
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::zip
