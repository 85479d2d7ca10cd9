// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipQuery.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

std::optional<ZipQuery> ZipQuery::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxDdpData) return std::nullopt;
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::Query)) return std::nullopt;
    const std::size_t count = reader.u8();
    ZipQuery query;
    for (std::size_t i = 0; i < count && reader.ok(); ++i) query.networks.push_back(reader.u16());
    if (!reader.atEnd()) return std::nullopt;
    return query;
}

std::vector<std::uint8_t> ZipQuery::serialize() const {
    ByteWriter writer;
    writer.require(networks.size() <= 255);
    writer.u8(static_cast<std::uint8_t>(ZipFunction::Query));
    writer.u8(static_cast<std::uint8_t>(networks.size()));
    for (const auto network : networks) writer.u16(network);
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::zip
