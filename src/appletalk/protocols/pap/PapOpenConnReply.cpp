// SPDX-License-Identifier: MIT
#include "appletalk/protocols/pap/PapOpenConnReply.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::pap {

namespace {

constexpr std::size_t kMaxStatusLength = 255;

} // namespace

std::optional<PapOpenConnReply> PapOpenConnReply::parse(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    PapOpenConnReply reply;
    reply.respondingSocket = reader.u8();
    reply.flowQuantum = reader.u8();
    reply.result = reader.u16();
    reply.status = reader.pstr(kMaxStatusLength);
    if (!reader.atEnd()) return std::nullopt;
    return reply;
}

std::vector<std::uint8_t> PapOpenConnReply::serialize() const {
    ByteWriter writer;
    writer.u8(respondingSocket);
    writer.u8(flowQuantum);
    writer.u16(result);
    writer.pstr(status, kMaxStatusLength);
    return writer.finish(kMaxAtpData);
}

} // namespace appletalk::pap
