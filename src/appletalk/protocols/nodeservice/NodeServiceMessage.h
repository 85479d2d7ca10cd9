// SPDX-License-Identifier: MIT
// The messages between the host's node service and the programs that share its node, one
// message per packet of a Unix sequenced-packet socket (docs/node-service.md). What crosses is
// what a kernel's AppleTalk offers: DDP sockets opened, sent on and received on, names
// registered on the node's NBP, and the node's address, zone and range; ATP, NBP look-ups,
// ZIP and PAP stay in each program. Every message starts with its type; requests that need
// an answer carry an id the answer repeats.
#pragma once

#include "appletalk/protocols/ddp/Datagram.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace appletalk::nodeservice {

// Raised whenever a message changes meaning; a peer of another version is refused.
inline constexpr std::uint16_t kProtocolVersion = 1;
// No message is longer: a datagram's 586 bytes with its addresses and options fit.
inline constexpr std::size_t kMaxMessageSize = 1024;
inline constexpr std::size_t kMaxTextLength = 255;

enum class MessageType : std::uint8_t {
    Hello = 1,
    Welcome = 2,
    Refused = 3,
    OpenSocket = 4,
    SocketOpened = 5,
    CloseSocket = 6,
    Send = 7,
    Deliver = 8,
    RegisterName = 9,
    NameRegistered = 10,
    RemoveName = 11,
    NodeState = 12,
};

// Where the node stands, as its programs need it to address and route their own datagrams.
struct NodeState {
    bool started = false; // address held, router and zone looked for
    bool extended = false; // an extended cable (EtherTalk)
    std::uint16_t network = 0; // THIS-NET
    std::uint8_t node = 0;
    std::uint8_t routerNode = 0; // 0: no router known
    std::uint16_t routerNetwork = 0;
    std::optional<std::uint16_t> rangeFirst; // the cable's range, once a router named it
    std::uint16_t rangeLast = 0;
    std::string zone; // Mac OS Roman; empty when unknown
    bool zoneUnreadable = false;

    bool operator==(const NodeState&) const = default;
};

// Program to service, first: the version it speaks.
struct Hello {
    std::uint16_t version = kProtocolVersion;
    bool operator==(const Hello&) const = default;
};

// Service to program, the answer to Hello: the network the node is on, as the settings name
// it (`ltoudp:127.0.0.1:1954`), and where the node stands.
struct Welcome {
    std::uint16_t version = kProtocolVersion;
    std::string network;
    NodeState state;
    bool operator==(const Welcome&) const = default;
};

// Service to program, instead of Welcome or at any time before it closes the connection.
struct Refused {
    std::string reason;
    bool operator==(const Refused&) const = default;
};

struct OpenSocket {
    std::uint32_t request = 0;
    std::uint8_t socket = 0; // 0: any free dynamic socket
    bool operator==(const OpenSocket&) const = default;
};

enum class SocketResult : std::uint8_t { Ok = 0, InUse = 1, Invalid = 2, NoneFree = 3, TooMany = 4 };

struct SocketOpened {
    std::uint32_t request = 0;
    SocketResult result = SocketResult::Ok;
    std::uint8_t socket = 0;
    bool operator==(const SocketOpened&) const = default;
};

struct CloseSocket {
    std::uint8_t socket = 0;
    bool operator==(const CloseSocket&) const = default;
};

// A datagram from one of the program's sockets; the node fills in its own address.
struct Send {
    Datagram datagram;
    bool longHeader = false;
    bool checksum = true;
    bool operator==(const Send&) const = default;
};

// A datagram for one of the program's sockets.
struct Deliver {
    Datagram datagram;
    bool operator==(const Deliver&) const = default;
};

struct RegisterName {
    std::uint32_t request = 0;
    std::uint8_t socket = 0; // one of the program's
    std::string object; // Mac OS Roman, at most 32 bytes
    std::string type;
    bool operator==(const RegisterName&) const = default;
};

enum class NameResult : std::uint8_t { Ok = 0, Invalid = 1, Duplicate = 2, NotYourSocket = 3, TooMany = 4 };

struct NameRegistered {
    std::uint32_t request = 0;
    NameResult result = NameResult::Ok;
    std::uint8_t enumerator = 0;
    bool operator==(const NameRegistered&) const = default;
};

struct RemoveName {
    std::string object;
    std::string type;
    bool operator==(const RemoveName&) const = default;
};

using Message = std::variant<Hello, Welcome, Refused, OpenSocket, SocketOpened, CloseSocket, Send, Deliver,
                             RegisterName, NameRegistered, RemoveName, NodeState>;

// The bytes of one message; empty when a field cannot be encoded (a text too long, data
// over a datagram's).
std::vector<std::uint8_t> serialize(const Message& message);
// Nothing for bytes that are not exactly one well-formed message.
std::optional<Message> parse(std::span<const std::uint8_t> bytes);

} // namespace appletalk::nodeservice
