// SPDX-License-Identifier: MIT
#include "appletalk/protocols/atp/AtpPacket.h"

#include <algorithm>
#include <utility>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::atp {

namespace {

constexpr int kFunctionShift = 6;

} // namespace

AtpPacket AtpPacket::request(std::uint16_t tid, std::uint8_t bitmap, AtpPayload payload, bool exactlyOnce,
                             ReleaseTimeout timeout) {
    AtpPacket packet;
    packet.function = AtpFunction::Request;
    packet.exactlyOnce = exactlyOnce;
    packet.timeoutIndicator = exactlyOnce ? static_cast<std::uint8_t>(timeout) : 0;
    packet.bitmapOrSequence = bitmap;
    packet.tid = tid;
    packet.userBytes = payload.userBytes;
    packet.data = std::move(payload.data);
    return packet;
}

AtpPacket AtpPacket::response(std::uint16_t tid, std::uint8_t sequence, AtpPayload payload, bool endOfMessage) {
    AtpPacket packet;
    packet.function = AtpFunction::Response;
    packet.endOfMessage = endOfMessage;
    packet.bitmapOrSequence = sequence;
    packet.tid = tid;
    packet.userBytes = payload.userBytes;
    packet.data = std::move(payload.data);
    return packet;
}

AtpPacket AtpPacket::release(std::uint16_t tid, std::uint8_t bitmap) {
    AtpPacket packet;
    packet.function = AtpFunction::Release;
    packet.bitmapOrSequence = bitmap;
    packet.tid = tid;
    return packet;
}

std::optional<AtpPacket> AtpPacket::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kAtpHeaderSize || bytes.size() > kAtpHeaderSize + kMaxAtpData) return std::nullopt;
    ByteReader reader(bytes);
    const std::uint8_t control = reader.u8();
    const std::uint8_t function = control >> kFunctionShift;
    if (function == 0) return std::nullopt;
    AtpPacket packet;
    packet.function = static_cast<AtpFunction>(function);
    packet.exactlyOnce = (control & kXo) != 0;
    packet.endOfMessage = (control & kEom) != 0;
    packet.sendTransactionStatus = (control & kSts) != 0;
    packet.timeoutIndicator = control & kTimeoutMask;
    packet.bitmapOrSequence = reader.u8();
    packet.tid = reader.u16();
    const auto user = reader.take(packet.userBytes.size());
    std::copy(user.begin(), user.end(), packet.userBytes.begin());
    const auto data = reader.rest();
    packet.data.assign(data.begin(), data.end());
    if (!reader.atEnd()) return std::nullopt;
    if (packet.function == AtpFunction::Response && packet.bitmapOrSequence > kMaxSequence) return std::nullopt;
    return packet;
}

std::uint8_t AtpPacket::controlByte() const {
    std::uint8_t control = static_cast<std::uint8_t>(static_cast<std::uint8_t>(function) << kFunctionShift);
    if (exactlyOnce) control |= kXo;
    if (endOfMessage) control |= kEom;
    if (sendTransactionStatus) control |= kSts;
    return control | (timeoutIndicator & kTimeoutMask);
}

std::vector<std::uint8_t> AtpPacket::serialize() const {
    const auto functionCode = static_cast<std::uint8_t>(function);
    ByteWriter writer;
    writer.reserve(kAtpHeaderSize + data.size());
    writer.require(functionCode >= 1 && functionCode <= 3);
    writer.require(timeoutIndicator <= kTimeoutMask);
    writer.require(function != AtpFunction::Response || bitmapOrSequence <= kMaxSequence);
    writer.u8(controlByte());
    writer.u8(bitmapOrSequence);
    writer.u16(tid);
    writer.bytes(userBytes);
    writer.bytes(data);
    return writer.finish(kAtpHeaderSize + kMaxAtpData);
}

std::optional<std::chrono::seconds> AtpPacket::releaseTimeout() const {
    if (timeoutIndicator > static_cast<std::uint8_t>(ReleaseTimeout::Minutes8)) return std::nullopt;
    return std::chrono::seconds(30 << timeoutIndicator); // 30 s, 1, 2, 4, 8 min
}

} // namespace appletalk::atp
