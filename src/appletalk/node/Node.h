// SPDX-License-Identifier: MIT
// An AppleTalk node on one link. Its port does what the kind of link asks (LocalTalk: an
// LLAP node id, short headers on this network; EtherTalk: an AARP address on an extended
// cable, long headers, each datagram to the hardware address of its next hop); the node
// keeps THIS-NET and A-ROUTER, decides where each datagram goes (its addressee on this
// cable, or A-ROUTER), and moves datagrams between its sockets and the port. Services (RTMP
// stub, NBP, ZIP, ATP, simulated peers) each open a socket with a handler, send Datagrams and
// set timers on timers(); everything runs on the thread that polls the node, so no locks are
// needed in services. From another thread, reach a node through its EventLoop.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/LinkPort.h"
#include "appletalk/node/NodeCounters.h"
#include "appletalk/node/Pollable.h"
#include "appletalk/node/TimerQueue.h"
#include "appletalk/node/ethertalk/AarpAgent.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/node/localtalk/NodeIdAcquirer.h"
#include "appletalk/protocols/ddp/Datagram.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk {

struct NodeConfig {
    AcquisitionSettings acquisition;
    std::uint64_t seed = 0; // drives the choice of node id; 0: random
};

class Node final : public Pollable {
public:
    using SocketHandler = std::function<void(const Datagram&)>;
    using ReadyHandler = std::function<void(std::uint8_t nodeId)>;

    static constexpr std::uint8_t kFirstDynamicSocket = 128;
    static constexpr std::uint8_t kLastDynamicSocket = 254;

    // Attaches to `link` at once (the node must be polled from then on); probing for an id
    // begins with start().
    Node(const Clock& clock, Link& link, NodeConfig config = {}, AarpTiming aarp = {});
    ~Node() override;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // On EtherTalk the address is probed in the cable's range when one was set, else in the
    // start-up range; THIS-NET and the preferred id set before start() are tried first.
    void start();
    bool isReady() const { return port_->isReady(); }
    std::uint8_t nodeId() const { return port_->nodeId(); }
    // Runs at once if the id is already held, else when it is acquired.
    void whenReady(ReadyHandler handler);
    // Runs at once if acquisition has failed, else if it does: every address tried was
    // claimed by another station. A node held an address before keeps it.
    void whenAcquisitionFails(std::function<void()> handler);
    bool acquisitionFailed() const { return acquisitionFailed_; }
    AcquisitionCounters acquisitionCounters() const { return port_->acquisitionCounters(); }
    // What a user is told when acquisition fails; `network` names the link as users know it.
    static std::string noFreeAddressMessage(const std::string& network) {
        return "no free AppleTalk address on " + network + ": every address tried was claimed";
    }

    std::uint16_t thisNet() const { return thisNet_; }
    void setThisNet(std::uint16_t network) { thisNet_ = network; }
    std::uint8_t aRouter() const { return aRouter_; } // 0: no router known
    // On an extended cable the router's network too (0: THIS-NET).
    void setARouter(std::uint8_t node, std::uint16_t network = 0) {
        aRouter_ = node;
        aRouterNet_ = network;
    }
    std::uint16_t aRouterNetwork() const { return aRouterNet_ != 0 ? aRouterNet_ : thisNet_; }

    // EtherTalk ------------------------------------------------------------------------
    bool isExtended() const { return port_->isExtended(); }
    // The networks of this cable: datagrams to them go straight to their node (on LocalTalk
    // frames too, with a long header, once set).
    const std::optional<NetworkRange>& cableRange() const { return cableRange_; }
    void setCableRange(NetworkRange range) { cableRange_ = range; }
    // Takes a new address inside `range` unless ours is there already; `done` runs once the
    // node holds one (at once if nothing had to change). The old address serves meanwhile.
    void moveInto(NetworkRange range, NodeAddress preferred, ReadyHandler done);
    // Group addresses (zone multicasts) the node listens to besides its own and the broadcast.
    bool joinGroup(const MacAddress& group);
    void leaveGroup(const MacAddress& group);
    const AarpAgent* aarp() const; // EtherTalk only

    // The host's node service, when this node is the service's node seen from this process:
    // that node routes every datagram and owns the socket numbers; nothing otherwise.
    SharedNode* sharedNode() const { return port_->sharedNode(); }

    const Clock& clock() const { return clock_; }
    TimerQueue& timers() { return timers_; }

    // Any socket 1..254 by number (a static service, or a peer that must sit on a given
    // socket). False when the number is invalid or the socket is open.
    bool openSocket(std::uint8_t socket, SocketHandler handler);
    // A free socket in 128..254, or 0 when all are open. Numbers are handed out in turn,
    // so a socket just closed is not reused at once and late replies to it find nobody.
    std::uint8_t openDynamicSocket(SocketHandler handler);
    bool closeSocket(std::uint8_t socket);
    bool isSocketOpen(std::uint8_t socket) const { return sockets_.count(socket) != 0; }

    // Sends from this node: the source node and network are ours unless keepSource. On this
    // network (destination network 0 or THIS-NET) a short header goes to the destination
    // node (255: everyone); elsewhere a long header goes to A-ROUTER, or with no router
    // straight to the destination node on this cable (LocalTalk: while THIS-NET is 0). A
    // datagram for this node itself is delivered on the next poll without touching the link.
    SendResult send(Datagram datagram, SendOptions options = {});

    // Long-header datagrams that reached this node but are for another network: what a
    // router forwards. Without a handler they are dropped.
    void setForwardHandler(SocketHandler handler) { forwardHandler_ = std::move(handler); }

    // A frame as the link hands it over. Public so fuzzers and bridges can feed frames in.
    void receiveFrame(std::span<const std::uint8_t> bytes);

    const NodeCounters& counters() const { return counters_; }
    // What the link lost before the node saw it (see Link::framesDropped).
    std::uint64_t framesDroppedByLink() const { return link_.framesDropped(); }
    // LocalTalk only: ids given up, and lapENQs for ours answered.
    std::uint64_t idConflicts() const;
    std::uint64_t enqsAnswered() const;

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override;
    int waitHandle() const override { return link_.waitHandle(); }
    void setWakeHandler(std::function<void()> wake) override;

private:
    std::unique_ptr<LinkPort> makePort(const NodeConfig& config, AarpTiming aarp);
    SendResult sendShared(const Datagram& datagram, const SendOptions& options);
    bool isOnThisCable(std::uint16_t network) const;
    bool isOurNetwork(const DdpAddress& destination) const;
    void adopt(NodeAddress address);
    void received(const Datagram& datagram, bool shortHeader);
    void deliver(const Datagram& datagram);
    void forwardOrDrop(const Datagram& datagram);
    void acquired(std::uint8_t nodeId);
    void failed();
    bool drainLocal();
    void wake();

    const Clock& clock_;
    Link& link_;
    TimerQueue timers_;
    NodeCounters counters_;
    std::unique_ptr<LinkPort> port_;
    std::uint16_t thisNet_ = 0;
    std::uint8_t aRouter_ = 0;
    std::uint16_t aRouterNet_ = 0;
    std::optional<NetworkRange> cableRange_;
    std::map<std::uint8_t, std::shared_ptr<SocketHandler>> sockets_;
    std::uint8_t nextDynamic_ = kFirstDynamicSocket;
    SocketHandler forwardHandler_;
    std::vector<ReadyHandler> readyHandlers_;
    std::vector<std::function<void()>> failedHandlers_;
    bool acquisitionFailed_ = false;
    std::deque<Datagram> local_;
    mutable std::mutex wakeMutex_; // the link may wake us from another thread
    std::function<void()> wake_;
};

} // namespace appletalk
