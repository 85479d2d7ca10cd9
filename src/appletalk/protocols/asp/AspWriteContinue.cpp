// SPDX-License-Identifier: MIT
#include "appletalk/protocols/asp/AspWriteContinue.h"

#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::asp {

std::optional<AspWriteContinue> AspWriteContinue::parse(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    const AspWriteContinue request{reader.u16()};
    if (!reader.atEnd() || request.bufferSize > kQuantumSize) return std::nullopt;
    return request;
}

std::vector<std::uint8_t> AspWriteContinue::serialize() const {
    ByteWriter writer;
    writer.require(bufferSize <= kQuantumSize);
    writer.u16(bufferSize);
    return writer.finish(2);
}

} // namespace appletalk::asp
