// SPDX-License-Identifier: MIT
#include "appletalk/protocols/ltoudp/LToUdpDatagram.h"

namespace appletalk {

namespace {

bool fits(std::size_t datagramSize) {
    return datagramSize >= LToUdpDatagram::kMinSize && datagramSize <= LToUdpDatagram::kMaxSize;
}

} // namespace

std::optional<LToUdpDatagram> LToUdpDatagram::parse(std::span<const std::uint8_t> bytes) {
    if (!fits(bytes.size())) return std::nullopt;
    LToUdpDatagram datagram;
    datagram.senderId = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                        static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    datagram.frame.assign(bytes.begin() + kSenderIdSize, bytes.end());
    return datagram;
}

std::optional<std::vector<std::uint8_t>> LToUdpDatagram::serialize() const {
    if (!fits(kSenderIdSize + frame.size())) return std::nullopt;
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(senderId >> 24),
                                    static_cast<std::uint8_t>(senderId >> 16), static_cast<std::uint8_t>(senderId >> 8),
                                    static_cast<std::uint8_t>(senderId)};
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    return bytes;
}

} // namespace appletalk
