// SPDX-License-Identifier: MIT
#include "appletalk/node/Node.h"

#include "appletalk/node/ethertalk/EtherTalkPort.h"
#include "appletalk/node/localtalk/LocalTalkPort.h"
#include "appletalk/node/service/NodeServicePort.h"
#include "appletalk/node/service/SharedNode.h"
#include "appletalk/protocols/ddp/DdpCodec.h"

#include <random>

namespace appletalk {

namespace {

std::uint64_t seedFrom(const NodeConfig& config) {
    if (config.seed != 0) return config.seed;
    std::random_device device;
    return static_cast<std::uint64_t>(device()) << 32 | device();
}

bool isValidSocket(std::uint8_t socket) { return socket != 0 && socket != 0xFF; }

} // namespace

Node::Node(const Clock& clock, Link& link, NodeConfig config, AarpTiming aarp)
    : clock_(clock), link_(link), timers_(clock), port_(makePort(config, aarp)) {
    link_.attach([this](std::span<const std::uint8_t> bytes) { receiveFrame(bytes); }, [this] { wake(); });
}

Node::~Node() { link_.detach(); }

// A link with a hardware address is an Ethernet: an extended cable.
std::unique_ptr<LinkPort> Node::makePort(const NodeConfig& config, AarpTiming aarp) {
    PortContext context{timers_, link_, counters_,
                        [this](const Datagram& datagram, bool shortHeader) { received(datagram, shortHeader); },
                        [this] { failed(); }};
    if (auto* service = dynamic_cast<NodeServiceLink*>(&link_))
        return std::make_unique<NodeServicePort>(std::move(context), *service);
    if (const auto hardware = link_.hardwareAddress())
        return std::make_unique<EtherTalkPort>(std::move(context), *hardware, seedFrom(config),
                                               config.acquisition.preferredId, aarp);
    return std::make_unique<LocalTalkPort>(std::move(context), seedFrom(config), config.acquisition);
}

const AarpAgent* Node::aarp() const {
    const auto* ether = dynamic_cast<const EtherTalkPort*>(port_.get());
    return ether ? &ether->aarp() : nullptr;
}

std::uint64_t Node::idConflicts() const {
    const auto* localTalk = dynamic_cast<const LocalTalkPort*>(port_.get());
    return localTalk ? localTalk->acquirer().conflicts() : 0;
}

std::uint64_t Node::enqsAnswered() const {
    const auto* localTalk = dynamic_cast<const LocalTalkPort*>(port_.get());
    return localTalk ? localTalk->acquirer().enqsAnswered() : 0;
}

void Node::start() {
    port_->start(thisNet_, cableRange_, [this](NodeAddress address) {
        adopt(address);
        acquired(address.node);
    });
}

void Node::adopt(NodeAddress address) {
    if (address.network != 0) thisNet_ = address.network;
}

void Node::moveInto(NetworkRange range, NodeAddress preferred, ReadyHandler done) {
    cableRange_ = range;
    port_->moveInto(range, preferred, thisNet_, [this, done = std::move(done)](NodeAddress address) {
        adopt(address);
        if (done) done(address.node);
    });
}

bool Node::joinGroup(const MacAddress& group) { return port_->joinGroup(group); }

void Node::leaveGroup(const MacAddress& group) { port_->leaveGroup(group); }

void Node::whenReady(ReadyHandler handler) {
    if (isReady()) {
        handler(nodeId());
        return;
    }
    readyHandlers_.push_back(std::move(handler));
}

void Node::acquired(std::uint8_t nodeId) {
    auto handlers = std::move(readyHandlers_);
    readyHandlers_.clear();
    for (auto& handler : handlers) handler(nodeId);
}

void Node::whenAcquisitionFails(std::function<void()> handler) {
    if (acquisitionFailed_) {
        handler();
        return;
    }
    failedHandlers_.push_back(std::move(handler));
}

void Node::failed() {
    acquisitionFailed_ = true;
    auto handlers = std::move(failedHandlers_);
    failedHandlers_.clear();
    for (auto& handler : handlers) handler();
}

bool Node::openSocket(std::uint8_t socket, SocketHandler handler) {
    if (!isValidSocket(socket) || !handler || isSocketOpen(socket)) return false;
    if (SharedNode* shared = sharedNode(); shared != nullptr && !shared->claimSocket(socket)) return false;
    sockets_.emplace(socket, std::make_shared<SocketHandler>(std::move(handler)));
    return true;
}

std::uint8_t Node::openDynamicSocket(SocketHandler handler) {
    if (!handler) return 0;
    if (SharedNode* shared = sharedNode()) {
        // The service numbers the sockets of every process on its node.
        const std::uint8_t socket = shared->claimDynamicSocket();
        if (socket != 0) sockets_.emplace(socket, std::make_shared<SocketHandler>(std::move(handler)));
        return socket;
    }
    constexpr int kCount = kLastDynamicSocket - kFirstDynamicSocket + 1;
    for (int tried = 0; tried < kCount; ++tried) {
        const std::uint8_t socket = nextDynamic_;
        nextDynamic_ = socket == kLastDynamicSocket ? kFirstDynamicSocket : static_cast<std::uint8_t>(socket + 1);
        if (openSocket(socket, handler)) return socket;
    }
    return 0;
}

bool Node::closeSocket(std::uint8_t socket) {
    // A handler running now keeps its own reference, so it may close its socket.
    if (sockets_.erase(socket) == 0) return false;
    if (SharedNode* shared = sharedNode()) shared->releaseSocket(socket);
    return true;
}

SendResult Node::send(Datagram datagram, SendOptions options) {
    const auto fail = [this](SendResult result) {
        ++counters_.sendFailures;
        return result;
    };
    if (!isReady()) return fail(SendResult::NotReady);
    if (!isValidSocket(datagram.destination.socket) || !isValidSocket(datagram.source.socket))
        return fail(SendResult::BadAddress);
    if (datagram.data.size() > Datagram::kMaxData || datagram.hopCount > DdpCodec::kMaxHopCount)
        return fail(SendResult::DataTooLong);
    if (!options.keepSource) datagram.source = {thisNet_, nodeId(), datagram.source.socket};
    if (sharedNode() != nullptr) return sendShared(datagram, options);
    const DdpAddress& to = datagram.destination;
    const bool onThisNet = to.network == 0 || to.network == thisNet_;
    if (onThisNet && to.node == nodeId()) {
        local_.push_back(std::move(datagram));
        ++counters_.datagramsSent;
        return SendResult::Sent;
    }
    NextHop hop{NodeAddress{onThisNet ? thisNet_ : to.network, to.node}, onThisNet};
    // Another network, or "any router" on this one: through A-ROUTER.
    if (!isOnThisCable(to.network) || to.node == DdpAddress::kAnyRouterNode) {
        if (aRouter_ == 0) return fail(SendResult::NoRoute);
        hop = NextHop{NodeAddress{aRouterNetwork(), aRouter_}, false};
    }
    const SendResult result = port_->send(datagram, hop, options);
    if (result != SendResult::Sent) return fail(result);
    ++counters_.datagramsSent;
    return SendResult::Sent;
}

// The service's node routes it, and delivers what is for itself to whichever process
// holds the socket: even a datagram to this address leaves for the service.
SendResult Node::sendShared(const Datagram& datagram, const SendOptions& options) {
    const SendResult result = port_->send(datagram, NextHop{}, options);
    if (result != SendResult::Sent) {
        ++counters_.sendFailures;
        return result;
    }
    ++counters_.datagramsSent;
    return SendResult::Sent;
}

// Whether nodes of `network` are on this cable, reached without a router.
bool Node::isOnThisCable(std::uint16_t network) const {
    if (network == 0 || network == thisNet_) return true;
    // A LocalTalk node that no router has told its network cannot tell another network from
    // its own: it sends there directly, in a long header that lets the addressee judge. One
    // on an extended cable of LocalTalk frames (the simulator's) reaches every number of the
    // cable's range directly too, in a long header, which names the network.
    if (!port_->isExtended()) return thisNet_ == 0 || (cableRange_ && cableRange_->contains(network));
    // Without a router an extended cable's range is the whole internet: every network is
    // looked for here (nodes behind a bridge, in the start-up range or elsewhere).
    if (aRouter_ == 0) return true;
    // An extended cable's range, and the start-up range, whose nodes have no router yet and
    // are reached only here.
    return (cableRange_ && cableRange_->contains(network)) || kStartupRange.contains(network);
}

// Whether a long header's destination network names this node's network.
bool Node::isOurNetwork(const DdpAddress& destination) const {
    const std::uint16_t network = destination.network;
    if (network == 0 || network == thisNet_) return true;
    // A node in the start-up range has no network of its own yet: a broadcast to any number
    // of that range is meant for nodes like it (LocalTalk nodes behind a bridge send there).
    return port_->isExtended() && destination.node == DdpAddress::kBroadcastNode && kStartupRange.contains(thisNet_) &&
           kStartupRange.contains(network);
}

void Node::receiveFrame(std::span<const std::uint8_t> bytes) {
    ++counters_.framesReceived;
    port_->receive(bytes, thisNet_);
}

void Node::received(const Datagram& datagram, bool shortHeader) {
    if (!shortHeader) {
        if (!isOurNetwork(datagram.destination)) {
            forwardOrDrop(datagram);
            return;
        }
        if (datagram.destination.node != nodeId() && datagram.destination.node != DdpAddress::kBroadcastNode) {
            ++counters_.framesNotForUs;
            return;
        }
    }
    deliver(datagram);
}

// A datagram for another network: the router side takes it when this node forwards.
void Node::forwardOrDrop(const Datagram& datagram) {
    if (!forwardHandler_) {
        ++counters_.framesNotForUs;
        return;
    }
    ++counters_.datagramsForwarded;
    const SocketHandler handler = forwardHandler_;
    handler(datagram);
}

void Node::deliver(const Datagram& datagram) {
    const auto found = sockets_.find(datagram.destination.socket);
    if (found == sockets_.end()) {
        ++counters_.datagramsNoSocket;
        return;
    }
    const std::shared_ptr<SocketHandler> handler = found->second;
    ++counters_.datagramsDelivered;
    (*handler)(datagram);
}

bool Node::drainLocal() {
    if (local_.empty()) return false;
    // Only what was queued before: a handler answering itself waits for the next poll.
    std::deque<Datagram> batch;
    batch.swap(local_);
    for (const Datagram& datagram : batch) deliver(datagram);
    return true;
}

bool Node::poll() {
    bool worked = link_.poll();
    worked = drainLocal() || worked;
    worked = timers_.poll() > 0 || worked;
    return worked;
}

std::optional<SteadyTime> Node::nextDeadline() const {
    if (!local_.empty()) return clock_.now();
    const auto timer = timers_.nextDeadline();
    const auto arrival = link_.nextArrival();
    if (timer && arrival) return std::min(*timer, *arrival);
    return timer ? timer : arrival;
}

void Node::setWakeHandler(std::function<void()> wake) {
    std::lock_guard lock(wakeMutex_);
    wake_ = std::move(wake);
}

void Node::wake() {
    std::lock_guard lock(wakeMutex_);
    if (wake_) wake_();
}

} // namespace appletalk
