// SPDX-License-Identifier: MIT
#include "appletalk/node/Node.h"

#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"
#include "appletalk/protocols/llap/LlapFrame.h"

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
    : clock_(clock),
      link_(link),
      timers_(clock),
      acquirer_(
          timers_, seedFrom(config), [this](const LlapFrame& frame) { sendFrame(frame); }, config.acquisition),
      preferredNode_(config.acquisition.preferredId) {
    if (const auto hardware = link_.hardwareAddress())
        aarp_ = std::make_unique<AarpAgent>(
            timers_, *hardware, seedFrom(config), [this](const EtherTalkFrame& frame) { sendEtherFrame(frame); }, aarp);
    link_.attach([this](std::span<const std::uint8_t> bytes) { receiveFrame(bytes); }, [this] { wake(); });
}

Node::~Node() { link_.detach(); }

void Node::start() {
    if (!aarp_) {
        acquirer_.start([this](std::uint8_t nodeId) { acquired(nodeId); });
        return;
    }
    // A network of a cable's range known from last time is tried as it stands; the cable's
    // router says soon enough whether it still exists.
    NetworkRange range = kStartupRange;
    if (cableRange_)
        range = *cableRange_;
    else if (thisNet_ != 0 && !kStartupRange.contains(thisNet_))
        range = NetworkRange{thisNet_, thisNet_};
    aarp_->acquire(range, NodeAddress{thisNet_, preferredNode_}, [this](NodeAddress address) {
        thisNet_ = address.network;
        acquired(address.node);
    });
}

void Node::moveInto(NetworkRange range, NodeAddress preferred, ReadyHandler done) {
    cableRange_ = range;
    if (!aarp_ || (isReady() && range.contains(thisNet_))) {
        if (done) done(nodeId());
        return;
    }
    aarp_->acquire(range, preferred, [this, done = std::move(done)](NodeAddress address) {
        thisNet_ = address.network;
        if (done) done(address.node);
    });
}

bool Node::joinGroup(const MacAddress& group) {
    if (!aarp_ || !group.isGroup()) return false;
    if (!link_.joinGroup(group)) return false;
    groups_.insert(group);
    return true;
}

void Node::leaveGroup(const MacAddress& group) {
    if (groups_.erase(group) != 0) link_.leaveGroup(group);
}

void Node::whenReady(ReadyHandler handler) {
    if (isReady()) {
        handler(nodeId());
        return;
    }
    readyHandlers_.push_back(std::move(handler));
}

void Node::acquired(std::uint8_t nodeId) {
    if (!aarp_) link_.setNodeAddress(nodeId);
    auto handlers = std::move(readyHandlers_);
    readyHandlers_.clear();
    for (auto& handler : handlers) handler(nodeId);
}

bool Node::openSocket(std::uint8_t socket, SocketHandler handler) {
    if (!isValidSocket(socket) || !handler || isSocketOpen(socket)) return false;
    sockets_.emplace(socket, std::make_shared<SocketHandler>(std::move(handler)));
    return true;
}

std::uint8_t Node::openDynamicSocket(SocketHandler handler) {
    if (!handler) return 0;
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
    return sockets_.erase(socket) != 0;
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
    if (aarp_) return sendEther(std::move(datagram), options);
    if (!options.keepSource) datagram.source = {thisNet_, nodeId(), datagram.source.socket};
    const bool onNet = datagram.destination.network == 0 || datagram.destination.network == thisNet_;
    const std::uint8_t node = datagram.destination.node;
    if (onNet && node == nodeId()) {
        local_.push_back(std::move(datagram));
        ++counters_.datagramsSent;
        return SendResult::Sent;
    }
    if (onNet && node != DdpAddress::kAnyRouterNode) {
        // A short header cannot carry a source node other than the LLAP sender.
        return transmit(datagram, node, options.longHeader || options.keepSource, options.checksum);
    }
    // Another network, or "any router" on this one: through A-ROUTER, with a long header.
    if (aRouter_ == 0) return fail(SendResult::NoRoute);
    return transmit(datagram, aRouter_, true, options.checksum);
}

SendResult Node::transmit(const Datagram& datagram, std::uint8_t llapDestination, bool longHeader, bool checksum) {
    auto ddp = longHeader ? DdpCodec::serializeLong(datagram, checksum) : DdpCodec::serializeShort(datagram);
    if (!ddp) {
        ++counters_.sendFailures;
        return SendResult::DataTooLong;
    }
    const LlapFrame frame{llapDestination, nodeId(), longHeader ? LlapFrame::kLongDdp : LlapFrame::kShortDdp,
                          std::move(*ddp)};
    const auto bytes = frame.serialize();
    if (!bytes || !link_.send(*bytes)) {
        ++counters_.sendFailures;
        return SendResult::LinkFailed;
    }
    ++counters_.datagramsSent;
    return SendResult::Sent;
}

void Node::sendFrame(const LlapFrame& frame) {
    if (const auto bytes = frame.serialize()) link_.send(*bytes);
}

SendResult Node::sendEther(Datagram datagram, SendOptions options) {
    if (!options.keepSource) datagram.source = {thisNet_, nodeId(), datagram.source.socket};
    const DdpAddress& to = datagram.destination;
    const bool ours = to.network == 0 || to.network == thisNet_;
    if (ours && to.node == nodeId()) {
        local_.push_back(std::move(datagram));
        ++counters_.datagramsSent;
        return SendResult::Sent;
    }
    // On this cable: any network of its range, and the start-up range, whose nodes have no
    // router yet and are reached only here.
    const bool onCable =
        ours || (cableRange_ && cableRange_->contains(to.network)) || kStartupRange.contains(to.network);
    NodeAddress hop{to.network == 0 ? thisNet_ : to.network, to.node};
    if (!onCable || to.node == DdpAddress::kAnyRouterNode) {
        if (aRouter_ == 0) {
            ++counters_.sendFailures;
            return SendResult::NoRoute;
        }
        hop = NodeAddress{aRouterNetwork(), aRouter_};
    }
    auto ddp = DdpCodec::serializeLong(datagram, options.checksum);
    if (!ddp) {
        ++counters_.sendFailures;
        return SendResult::DataTooLong;
    }
    if (options.group && onCable && to.node == DdpAddress::kBroadcastNode)
        aarp_->sendToHardware(*options.group, std::move(*ddp));
    else
        aarp_->sendTo(hop, std::move(*ddp));
    ++counters_.datagramsSent;
    return SendResult::Sent;
}

void Node::sendEtherFrame(const EtherTalkFrame& frame) {
    const auto bytes = frame.serialize();
    if (!bytes || !link_.send(*bytes)) ++counters_.sendFailures;
}

void Node::receiveEther(std::span<const std::uint8_t> bytes) {
    const auto frame = EtherTalkFrame::parse(bytes);
    if (!frame) {
        ++counters_.framesMalformed;
        return;
    }
    // The link filters too; a shared in-process wire does not.
    if (frame->destination != aarp_->hardwareAddress() && frame->destination != kAppleTalkBroadcast &&
        groups_.count(frame->destination) == 0) {
        ++counters_.framesNotForUs;
        return;
    }
    if (frame->protocol == EtherProtocol::Aarp) {
        if (const auto packet = AarpPacket::parse(frame->payload))
            aarp_->handle(*packet);
        else
            ++counters_.framesMalformed;
        return;
    }
    const auto parsed = DdpCodec::parseLong(frame->payload);
    if (!parsed.datagram) {
        ++counters_.framesMalformed;
        if (parsed.error == DdpError::BadChecksum) ++counters_.badChecksums;
        if (frame->destination == aarp_->hardwareAddress()) ++counters_.framesUnreadableForUs;
        return;
    }
    const Datagram& datagram = *parsed.datagram;
    // Straight from its sender: its hardware address is worth keeping.
    if (datagram.hopCount == 0 && datagram.source.network != 0)
        aarp_->glean(NodeAddress{datagram.source.network, datagram.source.node}, frame->source);
    if (!isReady()) {
        ++counters_.framesNotForUs;
        return;
    }
    const std::uint16_t network = datagram.destination.network;
    if (network != 0 && network != thisNet_) {
        forwardOrDrop(datagram);
        return;
    }
    if (datagram.destination.node != nodeId() && datagram.destination.node != DdpAddress::kBroadcastNode) {
        ++counters_.framesNotForUs;
        return;
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

void Node::receiveFrame(std::span<const std::uint8_t> bytes) {
    ++counters_.framesReceived;
    if (aarp_) {
        receiveEther(bytes);
        return;
    }
    // On a busy cable most frames are data for other nodes: dropped on their header alone,
    // without copying their data out (a data frame of this size always parses).
    if (isReady() && bytes.size() >= LlapFrame::kHeaderSize && bytes.size() <= LlapFrame::kMaxFrameSize) {
        const std::uint8_t destination = bytes[0];
        const std::uint8_t type = bytes[2];
        if ((type == LlapFrame::kShortDdp || type == LlapFrame::kLongDdp) && destination != nodeId() &&
            destination != LlapFrame::kBroadcast) {
            ++counters_.framesNotForUs;
            return;
        }
    }
    const auto frame = LlapFrame::parse(bytes);
    if (!frame) {
        ++counters_.framesMalformed;
        // An oversize frame still names its destination in its first byte.
        if (isReady() && !bytes.empty() && bytes[0] == nodeId()) ++counters_.framesUnreadableForUs;
        return;
    }
    if (frame->type == LlapFrame::kEnq || frame->type == LlapFrame::kAck) {
        acquirer_.handleControl(*frame);
        return;
    }
    if (frame->type != LlapFrame::kShortDdp && frame->type != LlapFrame::kLongDdp) {
        ++counters_.framesIgnored;
        return;
    }
    acquirer_.noteTrafficFrom(frame->source);
    handleData(*frame);
}

void Node::handleData(const LlapFrame& frame) {
    if (!isReady() || (frame.destination != nodeId() && frame.destination != LlapFrame::kBroadcast)) {
        ++counters_.framesNotForUs;
        return;
    }
    const bool shortHeader = frame.type == LlapFrame::kShortDdp;
    const auto parsed = shortHeader ? DdpCodec::parseShort(frame.data, {thisNet_, frame.destination, frame.source})
                                    : DdpCodec::parseLong(frame.data);
    if (!parsed.datagram) {
        ++counters_.framesMalformed;
        if (parsed.error == DdpError::BadChecksum) ++counters_.badChecksums;
        if (frame.destination == nodeId()) ++counters_.framesUnreadableForUs;
        return;
    }
    const Datagram& datagram = *parsed.datagram;
    const std::uint16_t network = datagram.destination.network;
    if (!shortHeader && network != 0 && network != thisNet_) {
        forwardOrDrop(datagram);
        return;
    }
    if (!shortHeader && datagram.destination.node != nodeId() &&
        datagram.destination.node != DdpAddress::kBroadcastNode) {
        ++counters_.framesNotForUs;
        return;
    }
    deliver(datagram);
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
