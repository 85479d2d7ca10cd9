// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nbp/NbpPacket.h"

#include <algorithm>

#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::nbp {

namespace {

constexpr std::size_t kHeaderSize = 2;

bool isKnown(std::uint8_t code) { return code >= 1 && code <= 4; }

bool isCountValid(NbpFunction function, std::size_t count) {
    if (function == NbpFunction::LookupReply) return count >= 1 && count <= NbpPacket::kMaxTuples;
    return count == 1;
}

} // namespace

NbpPacket NbpPacket::request(NbpFunction function, std::uint8_t id, const NbpTuple& requester) {
    return NbpPacket{function, id, {requester}};
}

std::optional<NbpPacket> NbpPacket::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxDdpData) return std::nullopt;
    ByteReader reader(bytes);
    const std::uint8_t control = reader.u8();
    NbpPacket packet;
    packet.id = reader.u8();
    const std::uint8_t functionCode = control >> 4;
    const std::size_t count = control & 0x0F;
    if (!isKnown(functionCode)) return std::nullopt;
    packet.function = static_cast<NbpFunction>(functionCode);
    if (!isCountValid(packet.function, count)) return std::nullopt;
    for (std::size_t i = 0; i < count && reader.ok(); ++i) {
        auto tuple = NbpTuple::read(reader);
        if (!tuple) return std::nullopt;
        packet.tuples.push_back(std::move(*tuple));
    }
    if (!reader.atEnd()) return std::nullopt;
    return packet;
}

std::vector<std::uint8_t> NbpPacket::serialize() const {
    const auto functionCode = static_cast<std::uint8_t>(function);
    ByteWriter writer;
    writer.require(isKnown(functionCode) && isCountValid(function, tuples.size()));
    writer.u8(static_cast<std::uint8_t>(functionCode << 4 | (tuples.size() & 0x0F)));
    writer.u8(id);
    for (const auto& tuple : tuples) tuple.write(writer);
    return writer.finish(kMaxDdpData);
}

std::vector<NbpPacket> NbpPacket::lookupReplies(std::uint8_t id, std::span<const NbpTuple> tuples) {
    const bool valid = std::all_of(tuples.begin(), tuples.end(), [](const NbpTuple& t) { return t.name.fitsWire(); });
    if (!valid) return {};
    std::vector<NbpPacket> packets;
    std::size_t size = 0;
    for (const auto& tuple : tuples) {
        // A tuple is at most 5 + 3 * 33 = 104 bytes, so one always fits an empty packet.
        if (packets.empty() || packets.back().tuples.size() == kMaxTuples || size + tuple.wireSize() > kMaxDdpData) {
            packets.push_back(NbpPacket{NbpFunction::LookupReply, id, {}});
            size = kHeaderSize;
        }
        packets.back().tuples.push_back(tuple);
        size += tuple.wireSize();
    }
    return packets;
}

} // namespace appletalk::nbp
