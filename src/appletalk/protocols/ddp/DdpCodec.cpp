// SPDX-License-Identifier: MIT
#include "appletalk/protocols/ddp/DdpCodec.h"

namespace appletalk {

namespace {

constexpr std::uint16_t kLengthMask = 0x03FF;
constexpr std::size_t kChecksumEnd = 4;

std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

void write16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

// The length field must match what arrived: a frame that lost or gained bytes is not trusted.
DdpError checkSize(std::span<const std::uint8_t> bytes, std::size_t headerSize) {
    if (bytes.size() < headerSize) return DdpError::TooShort;
    if ((read16(bytes, 0) & kLengthMask) != bytes.size()) return DdpError::LengthMismatch;
    if (bytes.size() - headerSize > Datagram::kMaxData) return DdpError::DataTooLong;
    return DdpError::None;
}

bool canSerialize(const Datagram& datagram) {
    return datagram.data.size() <= Datagram::kMaxData && datagram.hopCount <= DdpCodec::kMaxHopCount;
}

} // namespace

DdpParseResult DdpCodec::parseShort(std::span<const std::uint8_t> bytes, const ShortHeaderContext& context) {
    // The top six bits of the length word are masked, not checked: they are 0 by rule but
    // carry nothing a receiver needs.
    if (const DdpError error = checkSize(bytes, kShortHeaderSize); error != DdpError::None)
        return {std::nullopt, error};
    Datagram datagram;
    datagram.destination = {context.network, context.destinationNode, bytes[2]};
    datagram.source = {context.network, context.sourceNode, bytes[3]};
    datagram.type = bytes[4];
    datagram.data.assign(bytes.begin() + kShortHeaderSize, bytes.end());
    return {std::move(datagram), DdpError::None};
}

DdpParseResult DdpCodec::parseLong(std::span<const std::uint8_t> bytes) {
    if (const DdpError error = checkSize(bytes, kLongHeaderSize); error != DdpError::None) return {std::nullopt, error};
    const std::uint16_t received = read16(bytes, 2);
    if (received != 0 && received != checksum(bytes.subspan(kChecksumEnd)))
        return {std::nullopt, DdpError::BadChecksum};
    Datagram datagram;
    datagram.hopCount = static_cast<std::uint8_t>((bytes[0] >> 2) & 0x0F);
    datagram.destination = {read16(bytes, 4), bytes[8], bytes[10]};
    datagram.source = {read16(bytes, 6), bytes[9], bytes[11]};
    datagram.type = bytes[12];
    datagram.data.assign(bytes.begin() + kLongHeaderSize, bytes.end());
    return {std::move(datagram), DdpError::None};
}

std::optional<std::vector<std::uint8_t>> DdpCodec::serializeShort(const Datagram& datagram) {
    if (!canSerialize(datagram)) return std::nullopt;
    std::vector<std::uint8_t> bytes(kShortHeaderSize);
    write16(bytes, 0, static_cast<std::uint16_t>(kShortHeaderSize + datagram.data.size()));
    bytes[2] = datagram.destination.socket;
    bytes[3] = datagram.source.socket;
    bytes[4] = datagram.type;
    bytes.insert(bytes.end(), datagram.data.begin(), datagram.data.end());
    return bytes;
}

std::optional<std::vector<std::uint8_t>> DdpCodec::serializeLong(const Datagram& datagram, bool withChecksum) {
    if (!canSerialize(datagram)) return std::nullopt;
    std::vector<std::uint8_t> bytes(kLongHeaderSize);
    const auto length = static_cast<std::uint16_t>(kLongHeaderSize + datagram.data.size());
    write16(bytes, 0, static_cast<std::uint16_t>(datagram.hopCount << 10 | length));
    write16(bytes, 4, datagram.destination.network);
    write16(bytes, 6, datagram.source.network);
    bytes[8] = datagram.destination.node;
    bytes[9] = datagram.source.node;
    bytes[10] = datagram.destination.socket;
    bytes[11] = datagram.source.socket;
    bytes[12] = datagram.type;
    bytes.insert(bytes.end(), datagram.data.begin(), datagram.data.end());
    if (withChecksum) write16(bytes, 2, checksum(std::span<const std::uint8_t>(bytes).subspan(kChecksumEnd)));
    return bytes;
}

std::uint16_t DdpCodec::checksum(std::span<const std::uint8_t> bytesAfterChecksumField) {
    std::uint16_t sum = 0;
    for (const std::uint8_t byte : bytesAfterChecksumField) {
        sum = static_cast<std::uint16_t>(sum + byte);
        sum = static_cast<std::uint16_t>(sum << 1 | sum >> 15);
    }
    return sum == 0 ? 0xFFFF : sum;
}

} // namespace appletalk
