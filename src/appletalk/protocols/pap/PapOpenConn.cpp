// SPDX-License-Identifier: MIT
#include "appletalk/protocols/pap/PapOpenConn.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::pap {

namespace {

constexpr std::size_t kSize = 4;

} // namespace

std::optional<PapOpenConn> PapOpenConn::parse(std::span<const std::uint8_t> data) {
    if (data.size() != kSize) return std::nullopt;
    ByteReader reader(data);
    PapOpenConn open;
    open.respondingSocket = reader.u8();
    open.flowQuantum = reader.u8();
    open.waitTime = reader.u16();
    return open;
}

std::vector<std::uint8_t> PapOpenConn::serialize() const {
    ByteWriter writer;
    writer.u8(respondingSocket);
    writer.u8(flowQuantum);
    writer.u16(waitTime);
    return writer.finish(kSize);
}

} // namespace appletalk::pap
