// SPDX-License-Identifier: MIT
// What a node does differently on each kind of link: how its frames are built and read, how
// it gets its address, and how the next hop on the cable is reached. LocalTalk (LLAP frames,
// a node id by ENQ/ACK, short headers on this network, the LLAP broadcast) and EtherTalk
// (802.3/SNAP frames, an address by AARP, long headers only, zone multicasts) each have a
// port; the node above it keeps what every node does: sockets, the routing decision,
// delivery, forwarding and the local queue.
#pragma once

#include "appletalk/node/NetworkRange.h"
#include "appletalk/node/NodeCounters.h"
#include "appletalk/node/TimerQueue.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ddp/Datagram.h"
#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace appletalk {

class SharedNode;

enum class SendResult {
    Sent,
    NotReady, // no node id yet
    BadAddress, // a socket of 0 or 255
    DataTooLong, // over 586 bytes, or a hop count over 15
    NoRoute, // off this network and no A-ROUTER known
    LinkFailed,
};

struct SendOptions {
    bool longHeader = false; // a long header even on this network
    bool checksum = true; // long headers only
    bool keepSource = false; // the source address as given, in a long header (a router forwarding)
    // EtherTalk: a broadcast on this cable goes to this zone multicast address instead, so
    // only the zone's nodes hear it (a router's look-ups in a zone).
    std::optional<MacAddress> group = std::nullopt;
};

// Where a datagram goes next on the cable.
struct NextHop {
    NodeAddress address; // the addressee itself (node 255: everyone), or the router
    bool onThisNetwork = false; // the addressee is on THIS-NET: LocalTalk may use a short header
};

// A datagram read from a frame. A short header was addressed by its frame alone, to this
// node or everyone on THIS-NET; the node checks a long header's address itself.
using PortReceive = std::function<void(const Datagram& datagram, bool shortHeader)>;

// What a port shares with its node. The port counts what it drops in the node's counters.
struct PortContext {
    TimerQueue& timers;
    Link& link;
    NodeCounters& counters;
    PortReceive receive;
    // Every address tried was claimed: the port gave up acquiring one.
    std::function<void()> acquisitionFailed;
};

class LinkPort {
public:
    // The node holds its address. A network of 0: this link does not choose networks
    // (LocalTalk), and THIS-NET stays what RTMP says.
    using Acquired = std::function<void(NodeAddress address)>;

    virtual ~LinkPort() = default;

    // An extended cable: networks in ranges, every node with a network number.
    virtual bool isExtended() const = 0;
    // Starts acquiring an address; `thisNet` and `cableRange` are what the node knows so far.
    virtual void start(std::uint16_t thisNet, const std::optional<NetworkRange>& cableRange, Acquired done) = 0;
    // A new address inside `range` unless the node (at `thisNet`) is there already; `done`
    // runs at once when nothing has to change.
    virtual void moveInto(NetworkRange range, NodeAddress preferred, std::uint16_t thisNet, Acquired done) = 0;
    virtual bool isReady() const = 0;
    virtual std::uint8_t nodeId() const = 0;
    virtual AcquisitionCounters acquisitionCounters() const = 0;

    // Frames `datagram` (its source already filled in) for `hop` and sends it.
    virtual SendResult send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) = 0;
    // A frame from the link: control frames are handled here, datagrams handed up.
    virtual void receive(std::span<const std::uint8_t> frame, std::uint16_t thisNet) = 0;

    // Group addresses (zone multicasts) heard besides the node's own and the broadcast;
    // false where the link has none.
    virtual bool joinGroup(const MacAddress& /*group*/) { return false; }
    virtual void leaveGroup(const MacAddress& /*group*/) {}

    // A port to a node another process holds (the host's node service), through which
    // sockets and names are claimed; nothing for a port on a link of its own.
    virtual SharedNode* sharedNode() { return nullptr; }
};

} // namespace appletalk
