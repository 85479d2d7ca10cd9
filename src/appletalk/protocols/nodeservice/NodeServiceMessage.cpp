// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nodeservice/NodeServiceMessage.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::nodeservice {

namespace {

constexpr std::uint8_t kStarted = 0x01;
constexpr std::uint8_t kExtended = 0x02;
constexpr std::uint8_t kHasRange = 0x04;
constexpr std::uint8_t kZoneUnreadable = 0x08;
constexpr std::uint8_t kLongHeader = 0x01;
constexpr std::uint8_t kNoChecksum = 0x02;

void writeU32(ByteWriter& out, std::uint32_t value) {
    out.u16(static_cast<std::uint16_t>(value >> 16));
    out.u16(static_cast<std::uint16_t>(value & 0xFFFF));
}

std::uint32_t readU32(ByteReader& in) {
    const std::uint32_t high = in.u16();
    return high << 16 | in.u16();
}

void writeAddress(ByteWriter& out, const DdpAddress& address) {
    out.u16(address.network);
    out.u8(address.node);
    out.u8(address.socket);
}

DdpAddress readAddress(ByteReader& in) {
    DdpAddress address;
    address.network = in.u16();
    address.node = in.u8();
    address.socket = in.u8();
    return address;
}

void writeDatagram(ByteWriter& out, const Datagram& datagram) {
    writeAddress(out, datagram.destination);
    writeAddress(out, datagram.source);
    out.u8(datagram.type);
    out.u8(datagram.hopCount);
    out.require(datagram.data.size() <= kMaxDdpData);
    out.u16(static_cast<std::uint16_t>(datagram.data.size()));
    out.bytes(datagram.data);
}

Datagram readDatagram(ByteReader& in) {
    Datagram datagram;
    datagram.destination = readAddress(in);
    datagram.source = readAddress(in);
    datagram.type = in.u8();
    datagram.hopCount = in.u8();
    const std::size_t length = in.u16();
    if (length > kMaxDdpData) in.fail();
    const auto data = in.take(length);
    datagram.data.assign(data.begin(), data.end());
    return datagram;
}

void writeState(ByteWriter& out, const NodeState& state) {
    std::uint8_t flags = 0;
    if (state.started) flags |= kStarted;
    if (state.extended) flags |= kExtended;
    if (state.rangeFirst) flags |= kHasRange;
    if (state.zoneUnreadable) flags |= kZoneUnreadable;
    out.u8(flags);
    out.u16(state.network);
    out.u8(state.node);
    out.u16(state.routerNetwork);
    out.u8(state.routerNode);
    out.u16(state.rangeFirst.value_or(0));
    out.u16(state.rangeLast);
    out.pstr(state.zone, kMaxNameLength);
}

NodeState readState(ByteReader& in) {
    NodeState state;
    const std::uint8_t flags = in.u8();
    state.started = (flags & kStarted) != 0;
    state.extended = (flags & kExtended) != 0;
    state.zoneUnreadable = (flags & kZoneUnreadable) != 0;
    state.network = in.u16();
    state.node = in.u8();
    state.routerNetwork = in.u16();
    state.routerNode = in.u8();
    const std::uint16_t first = in.u16();
    state.rangeLast = in.u16();
    if ((flags & kHasRange) != 0) state.rangeFirst = first;
    state.zone = in.pstr(kMaxNameLength);
    return state;
}

struct Writer {
    ByteWriter& out;

    void operator()(const Hello& m) { out.u16(m.version); }
    void operator()(const Welcome& m) {
        out.u16(m.version);
        out.pstr(m.network, kMaxTextLength);
        writeState(out, m.state);
    }
    void operator()(const Refused& m) { out.pstr(m.reason, kMaxTextLength); }
    void operator()(const OpenSocket& m) {
        writeU32(out, m.request);
        out.u8(m.socket);
    }
    void operator()(const SocketOpened& m) {
        writeU32(out, m.request);
        out.u8(static_cast<std::uint8_t>(m.result));
        out.u8(m.socket);
    }
    void operator()(const CloseSocket& m) { out.u8(m.socket); }
    void operator()(const Send& m) {
        out.u8(static_cast<std::uint8_t>((m.longHeader ? kLongHeader : 0) | (m.checksum ? 0 : kNoChecksum)));
        writeDatagram(out, m.datagram);
    }
    void operator()(const Deliver& m) { writeDatagram(out, m.datagram); }
    void operator()(const RegisterName& m) {
        writeU32(out, m.request);
        out.u8(m.socket);
        out.pstr(m.object, kMaxNameLength);
        out.pstr(m.type, kMaxNameLength);
    }
    void operator()(const NameRegistered& m) {
        writeU32(out, m.request);
        out.u8(static_cast<std::uint8_t>(m.result));
        out.u8(m.enumerator);
    }
    void operator()(const RemoveName& m) {
        out.pstr(m.object, kMaxNameLength);
        out.pstr(m.type, kMaxNameLength);
    }
    void operator()(const NodeState& m) { writeState(out, m); }
};

template <typename Result>
std::optional<Result> enumValue(std::uint8_t value, Result last) {
    if (value > static_cast<std::uint8_t>(last)) return std::nullopt;
    return static_cast<Result>(value);
}

std::optional<Message> readBody(MessageType type, ByteReader& in) {
    switch (type) {
    case MessageType::Hello: return Hello{in.u16()};
    case MessageType::Welcome: {
        Welcome m;
        m.version = in.u16();
        m.network = in.pstr(kMaxTextLength);
        m.state = readState(in);
        return m;
    }
    case MessageType::Refused: return Refused{in.pstr(kMaxTextLength)};
    case MessageType::OpenSocket: {
        OpenSocket m;
        m.request = readU32(in);
        m.socket = in.u8();
        return m;
    }
    case MessageType::SocketOpened: {
        SocketOpened m;
        m.request = readU32(in);
        const auto result = enumValue(in.u8(), SocketResult::TooMany);
        if (!result) return std::nullopt;
        m.result = *result;
        m.socket = in.u8();
        return m;
    }
    case MessageType::CloseSocket: return CloseSocket{in.u8()};
    case MessageType::Send: {
        Send m;
        const std::uint8_t flags = in.u8();
        if ((flags & ~(kLongHeader | kNoChecksum)) != 0) return std::nullopt;
        m.longHeader = (flags & kLongHeader) != 0;
        m.checksum = (flags & kNoChecksum) == 0;
        m.datagram = readDatagram(in);
        return m;
    }
    case MessageType::Deliver: return Deliver{readDatagram(in)};
    case MessageType::RegisterName: {
        RegisterName m;
        m.request = readU32(in);
        m.socket = in.u8();
        m.object = in.pstr(kMaxNameLength);
        m.type = in.pstr(kMaxNameLength);
        return m;
    }
    case MessageType::NameRegistered: {
        NameRegistered m;
        m.request = readU32(in);
        const auto result = enumValue(in.u8(), NameResult::TooMany);
        if (!result) return std::nullopt;
        m.result = *result;
        m.enumerator = in.u8();
        return m;
    }
    case MessageType::RemoveName: {
        RemoveName m;
        m.object = in.pstr(kMaxNameLength);
        m.type = in.pstr(kMaxNameLength);
        return m;
    }
    case MessageType::NodeState: return readState(in);
    }
    return std::nullopt;
}

} // namespace

std::vector<std::uint8_t> serialize(const Message& message) {
    ByteWriter out;
    // The variant's order is the types' order, from 1.
    out.u8(static_cast<std::uint8_t>(message.index() + 1));
    std::visit(Writer{out}, message);
    return out.finish(kMaxMessageSize);
}

std::optional<Message> parse(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kMaxMessageSize) return std::nullopt;
    ByteReader in(bytes);
    const std::uint8_t type = in.u8();
    if (type < static_cast<std::uint8_t>(MessageType::Hello) ||
        type > static_cast<std::uint8_t>(MessageType::NodeState))
        return std::nullopt;
    std::optional<Message> message = readBody(static_cast<MessageType>(type), in);
    if (!message || !in.atEnd()) return std::nullopt;
    return message;
}

} // namespace appletalk::nodeservice
