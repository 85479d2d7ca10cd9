// SPDX-License-Identifier: MIT
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include "appletalk/protocols/wire/ByteReader.h"

#include <algorithm>
#include <array>

namespace appletalk {

namespace {

constexpr std::array<std::uint8_t, 8> kAppleTalkSnap{0xAA, 0xAA, 0x03, 0x08, 0x00, 0x07, 0x80, 0x9B};
constexpr std::array<std::uint8_t, 8> kAarpSnap{0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x80, 0xF3};
constexpr std::size_t kDdpLongHeader = 13;

// A short read leaves the address zero; the caller sees the reader fail.
MacAddress readMac(ByteReader& reader) { return MacAddress::fromBytes(reader.take(6)).value_or(MacAddress{}); }

} // namespace

std::optional<EtherTalkFrame> EtherTalkFrame::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    EtherTalkFrame frame;
    frame.destination = readMac(reader);
    frame.source = readMac(reader);
    const std::uint16_t length = reader.u16();
    // 1500 and under is an 802.3 length; above it an Ethernet II type, not ours.
    if (!reader.ok() || length < kSnapSize || length > 1500 || reader.remaining() < length) return std::nullopt;
    const auto snap = reader.take(kSnapSize);
    if (std::equal(snap.begin(), snap.end(), kAppleTalkSnap.begin()))
        frame.protocol = EtherProtocol::AppleTalk;
    else if (std::equal(snap.begin(), snap.end(), kAarpSnap.begin()))
        frame.protocol = EtherProtocol::Aarp;
    else
        return std::nullopt;
    auto payload = reader.take(length - kSnapSize);
    if (frame.protocol == EtherProtocol::AppleTalk) {
        if (payload.size() < kDdpLongHeader) return std::nullopt;
        const std::size_t ddpLength = static_cast<std::size_t>(payload[0] & 0x03) << 8 | payload[1];
        if (ddpLength < kDdpLongHeader || ddpLength > payload.size()) return std::nullopt;
        payload = payload.first(ddpLength);
    }
    frame.payload.assign(payload.begin(), payload.end());
    return frame;
}

std::optional<std::vector<std::uint8_t>> EtherTalkFrame::serialize() const {
    if (payload.size() > kMaxPayload) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::max(kMinimumFrame, kHeaderSize + kSnapSize + payload.size()));
    bytes.insert(bytes.end(), destination.bytes.begin(), destination.bytes.end());
    bytes.insert(bytes.end(), source.bytes.begin(), source.bytes.end());
    const std::size_t length = kSnapSize + payload.size();
    bytes.push_back(static_cast<std::uint8_t>(length >> 8));
    bytes.push_back(static_cast<std::uint8_t>(length));
    const auto& snap = protocol == EtherProtocol::AppleTalk ? kAppleTalkSnap : kAarpSnap;
    bytes.insert(bytes.end(), snap.begin(), snap.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    if (bytes.size() < kMinimumFrame) bytes.resize(kMinimumFrame, 0);
    return bytes;
}

} // namespace appletalk
