// SPDX-License-Identifier: MIT
#include "appletalk/protocols/aarp/AarpPacket.h"

#include "appletalk/protocols/wire/ByteReader.h"

namespace appletalk {

namespace {

constexpr std::uint16_t kEthernetHardware = 1;
constexpr std::uint16_t kAppleTalkProtocol = 0x809B;

// A short read leaves the address zero; the caller sees the reader fail.
MacAddress readMac(ByteReader& reader) { return MacAddress::fromBytes(reader.take(6)).value_or(MacAddress{}); }

// A zero byte, then network and node.
NodeAddress readAddress(ByteReader& reader) {
    if (reader.u8() != 0) reader.fail();
    const std::uint16_t network = reader.u16();
    return NodeAddress{network, reader.u8()};
}

void writeMac(std::vector<std::uint8_t>& bytes, const MacAddress& address) {
    bytes.insert(bytes.end(), address.bytes.begin(), address.bytes.end());
}

void writeAddress(std::vector<std::uint8_t>& bytes, const NodeAddress& address) {
    bytes.insert(bytes.end(), {0, static_cast<std::uint8_t>(address.network >> 8),
                               static_cast<std::uint8_t>(address.network), address.node});
}

} // namespace

std::optional<AarpPacket> AarpPacket::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    if (reader.u16() != kEthernetHardware || reader.u16() != kAppleTalkProtocol || reader.u8() != 6 || reader.u8() != 4)
        return std::nullopt;
    AarpPacket packet;
    const std::uint16_t function = reader.u16();
    if (function < 1 || function > 3) return std::nullopt;
    packet.function = static_cast<AarpFunction>(function);
    packet.sourceHardware = readMac(reader);
    packet.sourceAddress = readAddress(reader);
    packet.destinationHardware = readMac(reader);
    packet.destinationAddress = readAddress(reader);
    if (!reader.ok()) return std::nullopt;
    return packet;
}

std::vector<std::uint8_t> AarpPacket::serialize() const {
    std::vector<std::uint8_t> bytes{0x00, 0x01, 0x80, 0x9B, 6, 4, 0, static_cast<std::uint8_t>(function)};
    bytes.reserve(kSize);
    writeMac(bytes, sourceHardware);
    writeAddress(bytes, sourceAddress);
    writeMac(bytes, destinationHardware);
    writeAddress(bytes, destinationAddress);
    return bytes;
}

} // namespace appletalk
