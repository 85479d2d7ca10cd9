// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpServerParms.h"

#include "appletalk/protocols/afp/AfpBlock.h"
#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

std::optional<AfpServerParms> AfpServerParms::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    AfpServerParms parms;
    parms.serverTime = reader.u32();
    parms.volumes.resize(reader.u8());
    for (auto& volume : parms.volumes) {
        volume.flags = reader.u8();
        volume.name = reader.pstr(kMaxVolumeName);
    }
    if (!reader.atEnd()) return std::nullopt;
    return parms;
}

std::optional<std::vector<std::uint8_t>> AfpServerParms::serialize() const {
    ByteWriter writer;
    writer.u32(serverTime);
    writer.require(volumes.size() <= 255);
    writer.u8(static_cast<std::uint8_t>(volumes.size()));
    for (const auto& volume : volumes) {
        writer.u8(volume.flags);
        writer.pstr(volume.name, kMaxVolumeName);
    }
    if (!writer.ok()) return std::nullopt;
    return writer.finish(writer.size());
}

} // namespace appletalk::afp
