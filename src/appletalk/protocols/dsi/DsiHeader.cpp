// SPDX-License-Identifier: MIT
#include "appletalk/protocols/dsi/DsiHeader.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::dsi {

namespace {

bool knownCommand(std::uint8_t code) {
    return code >= static_cast<std::uint8_t>(DsiCommand::CloseSession) &&
           code <= static_cast<std::uint8_t>(DsiCommand::Attention) && code != 7;
}

} // namespace

std::optional<DsiHeader> DsiHeader::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    const std::uint8_t flags = reader.u8();
    const std::uint8_t command = reader.u8();
    DsiHeader header{flags == 1,  static_cast<DsiCommand>(command), reader.u16(), reader.u32(), reader.u32(),
                     reader.u32()};
    if (!reader.atEnd() || flags > 1 || !knownCommand(command)) return std::nullopt;
    if (!header.reply && header.command == DsiCommand::Write && header.dataOffset() > header.totalLength)
        return std::nullopt;
    return header;
}

std::array<std::uint8_t, kHeaderSize> DsiHeader::serialize() const {
    ByteWriter writer;
    writer.u8(reply ? 1 : 0);
    writer.u8(static_cast<std::uint8_t>(command));
    writer.u16(requestId);
    writer.u32(errorOrOffset);
    writer.u32(totalLength);
    writer.u32(reserved);
    const auto bytes = writer.finish(kHeaderSize);
    std::array<std::uint8_t, kHeaderSize> out{};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

} // namespace appletalk::dsi
