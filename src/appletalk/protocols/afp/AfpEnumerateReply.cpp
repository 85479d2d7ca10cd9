// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpEnumerateReply.h"

#include "appletalk/protocols/afp/AfpCommand.h"
#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

std::optional<AfpEnumerateReply> AfpEnumerateReply::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    AfpEnumerateReply reply;
    reply.fileBitmap = reader.u16();
    reply.directoryBitmap = reader.u16();
    const std::size_t count = reader.u16();
    for (std::size_t i = 0; i < count && reader.ok(); ++i) {
        const std::size_t length = reader.u8();
        const bool directory = (reader.u8() & kIsDirectory) != 0;
        if (length < 2) return std::nullopt;
        const auto body = reader.take(length - 2);
        if (!reader.ok()) return std::nullopt;
        auto entry = directory ? AfpParameters::parse(ParameterKind::Directory, reply.directoryBitmap, body)
                               : AfpParameters::parse(ParameterKind::File, reply.fileBitmap, body);
        if (!entry) return std::nullopt;
        reply.entries.push_back(std::move(*entry));
    }
    if (!reader.atEnd()) return std::nullopt;
    return reply;
}

std::optional<std::vector<std::uint8_t>> AfpEnumerateReply::serialize(std::size_t maxSize) const {
    ByteWriter writer;
    writer.u16(fileBitmap);
    writer.u16(directoryBitmap);
    writer.require(entries.size() <= 0xFFFF);
    writer.u16(static_cast<std::uint16_t>(entries.size()));
    for (const auto& entry : entries) {
        const bool directory = entry.kind == ParameterKind::Directory;
        const auto body = entry.serialize();
        writer.require(body.has_value() && entry.kind != ParameterKind::Volume &&
                       entry.bitmap == (directory ? directoryBitmap : fileBitmap));
        if (!body) break;
        const std::size_t length = 2 + body->size() + body->size() % 2;
        writer.require(length <= 255);
        writer.u8(static_cast<std::uint8_t>(length));
        writer.u8(directory ? kIsDirectory : 0);
        writer.bytes(*body);
        if (body->size() % 2 != 0) writer.u8(0);
    }
    if (!writer.ok() || writer.size() > maxSize) return std::nullopt;
    return writer.finish(maxSize);
}

} // namespace appletalk::afp
