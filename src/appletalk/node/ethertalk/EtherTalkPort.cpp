// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/EtherTalkPort.h"

#include "appletalk/protocols/ddp/DdpCodec.h"

namespace appletalk {

EtherTalkPort::EtherTalkPort(PortContext context, MacAddress hardware, std::uint64_t seed, std::uint8_t preferredNode,
                             AarpTiming timing)
    : context_(std::move(context)),
      aarp_(
          context_.timers, hardware, seed, [this](const EtherTalkFrame& frame) { sendFrame(frame); }, timing),
      preferredNode_(preferredNode) {
    aarp_.setFailed([this] {
        if (context_.acquisitionFailed) context_.acquisitionFailed();
    });
}

void EtherTalkPort::start(std::uint16_t thisNet, const std::optional<NetworkRange>& cableRange, Acquired done) {
    // A network of a cable's range known from last time is tried as it stands; the cable's
    // router says soon enough whether it still exists.
    NetworkRange range = kStartupRange;
    if (cableRange)
        range = *cableRange;
    else if (thisNet != 0 && !kStartupRange.contains(thisNet))
        range = NetworkRange{thisNet, thisNet};
    aarp_.acquire(range, NodeAddress{thisNet, preferredNode_}, std::move(done));
}

void EtherTalkPort::moveInto(NetworkRange range, NodeAddress preferred, std::uint16_t thisNet, Acquired done) {
    if (isReady() && range.contains(thisNet)) {
        if (done) done(NodeAddress{thisNet, nodeId()});
        return;
    }
    aarp_.acquire(range, preferred, std::move(done));
}

SendResult EtherTalkPort::send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) {
    auto ddp = DdpCodec::serializeLong(datagram, options.checksum);
    if (!ddp) return SendResult::DataTooLong;
    if (options.group && hop.address.node == DdpAddress::kBroadcastNode) {
        aarp_.sendToHardware(*options.group, std::move(*ddp));
        return SendResult::Sent;
    }
    // An address of network 0 came from a sender that named no network, heard straight from
    // its hardware address: answered there. AARP for it under our own network would find
    // nobody, and the broadcast after that comes too late for a look-up's replies.
    const NodeAddress named{datagram.destination.network, datagram.destination.node};
    if (const auto hardware = named.network == 0 && hop.onThisNetwork ? aarp_.hardwareFor(named) : std::nullopt) {
        aarp_.sendToHardware(*hardware, std::move(*ddp));
        return SendResult::Sent;
    }
    aarp_.sendTo(hop.address, std::move(*ddp));
    return SendResult::Sent;
}

void EtherTalkPort::sendFrame(const EtherTalkFrame& frame) {
    const auto bytes = frame.serialize();
    if (!bytes || !context_.link.send(*bytes)) ++context_.counters.sendFailures;
}

bool EtherTalkPort::joinGroup(const MacAddress& group) {
    if (!group.isGroup() || !context_.link.joinGroup(group)) return false;
    groups_.insert(group);
    return true;
}

void EtherTalkPort::leaveGroup(const MacAddress& group) {
    if (groups_.erase(group) != 0) context_.link.leaveGroup(group);
}

bool EtherTalkPort::isForUs(const MacAddress& destination) const {
    return destination == aarp_.hardwareAddress() || destination == kAppleTalkBroadcast ||
           groups_.count(destination) != 0;
}

void EtherTalkPort::receive(std::span<const std::uint8_t> bytes, std::uint16_t /*thisNet*/) {
    const auto frame = EtherTalkFrame::parse(bytes);
    if (!frame) {
        ++context_.counters.framesMalformed;
        return;
    }
    // The link filters too; a shared in-process wire does not.
    if (!isForUs(frame->destination)) {
        ++context_.counters.framesNotForUs;
        return;
    }
    if (frame->protocol == EtherProtocol::Aarp) {
        if (const auto packet = AarpPacket::parse(frame->payload))
            aarp_.handle(*packet);
        else
            ++context_.counters.framesMalformed;
        return;
    }
    const auto parsed = DdpCodec::parseLong(frame->payload);
    if (!parsed.datagram) {
        ++context_.counters.framesMalformed;
        if (parsed.error == DdpError::BadChecksum) ++context_.counters.badChecksums;
        if (frame->destination == aarp_.hardwareAddress()) ++context_.counters.framesUnreadableForUs;
        return;
    }
    const Datagram& datagram = *parsed.datagram;
    // Straight from its sender: its hardware address is worth keeping, under network 0 too.
    if (datagram.hopCount == 0) aarp_.glean(NodeAddress{datagram.source.network, datagram.source.node}, frame->source);
    if (!isReady()) {
        ++context_.counters.framesNotForUs;
        return;
    }
    context_.receive(datagram, false);
}

} // namespace appletalk
