// SPDX-License-Identifier: MIT
#include "support/bridge/StartupRangeBridge.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/nbp/NbpPacket.h"

namespace appletalk::testing {

namespace {

constexpr std::uint8_t kNbpType = 2;

std::uint16_t outward(std::uint16_t network) { return network == 0 ? StartupRangeBridge::kLocalTalkNetwork : network; }

// The requester's or the entities' addresses inside an NBP packet say network 0 as well.
void rewriteTuples(Datagram& datagram) {
    auto packet = nbp::NbpPacket::parse(datagram.data);
    if (!packet) return;
    for (nbp::NbpTuple& tuple : packet->tuples) tuple.network = outward(tuple.network);
    if (auto bytes = packet->serialize(); !bytes.empty()) datagram.data = std::move(bytes);
}

} // namespace

StartupRangeBridge::StartupRangeBridge(MacAddress hardware, Send toLocalTalk, Send toEtherTalk,
                                       bool rewritesNetworkZero)
    : hardware_(hardware),
      rewritesNetworkZero_(rewritesNetworkZero),
      toLocalTalk_(std::move(toLocalTalk)),
      toEtherTalk_(std::move(toEtherTalk)) {}

void StartupRangeBridge::fromLocalTalk(std::span<const std::uint8_t> bytes) {
    const auto frame = LlapFrame::parse(bytes);
    if (!frame || (frame->type != LlapFrame::kShortDdp && frame->type != LlapFrame::kLongDdp)) return;
    localTalkNodes_.set(frame->source);
    const bool shortHeader = frame->type == LlapFrame::kShortDdp;
    auto parsed = shortHeader ? DdpCodec::parseShort(frame->data, {0, frame->destination, frame->source})
                              : DdpCodec::parseLong(frame->data);
    if (!parsed.datagram) {
        ++counters_.dropped;
        return;
    }
    Datagram& datagram = *parsed.datagram;
    // Network 0 (or the number it stands for) to a LocalTalk node stays on LocalTalk.
    const bool localTalkNetwork =
        datagram.destination.network == 0 || datagram.destination.network == kLocalTalkNetwork;
    if (localTalkNetwork && datagram.destination.node != DdpAddress::kBroadcastNode &&
        localTalkNodes_.test(datagram.destination.node)) {
        ++counters_.dropped;
        return;
    }
    if (rewritesNetworkZero_) {
        datagram.destination.network = outward(datagram.destination.network);
        datagram.source.network = outward(datagram.source.network);
        if (datagram.type == kNbpType) rewriteTuples(datagram);
    }
    sendToEtherTalk(std::move(datagram));
}

void StartupRangeBridge::sendToEtherTalk(Datagram datagram) {
    auto ddp = DdpCodec::serializeLong(datagram);
    if (!ddp) {
        ++counters_.dropped;
        return;
    }
    const auto frame =
        EtherTalkFrame{hardwareFor(datagram.destination), hardware_, EtherProtocol::AppleTalk, std::move(*ddp)}
            .serialize();
    if (!frame) return;
    ++counters_.toEtherTalk;
    toEtherTalk_(*frame);
}

// A node not heard from yet gets the AppleTalk broadcast: every node checks the DDP address.
MacAddress StartupRangeBridge::hardwareFor(const DdpAddress& destination) const {
    if (destination.node == DdpAddress::kBroadcastNode) return kAppleTalkBroadcast;
    const auto known = etherTalkNodes_.find(NodeAddress{destination.network, destination.node});
    return known == etherTalkNodes_.end() ? kAppleTalkBroadcast : known->second;
}

void StartupRangeBridge::fromEtherTalk(std::span<const std::uint8_t> bytes) {
    const auto frame = EtherTalkFrame::parse(bytes);
    if (!frame) {
        ++counters_.dropped;
        return;
    }
    if (frame->protocol == EtherProtocol::Aarp) {
        if (const auto packet = AarpPacket::parse(frame->payload)) answerAarp(*packet);
        return;
    }
    auto parsed = DdpCodec::parseLong(frame->payload);
    if (!parsed.datagram) {
        ++counters_.dropped;
        return;
    }
    Datagram& datagram = *parsed.datagram;
    if (datagram.hopCount == 0 && !frame->source.isGroup())
        etherTalkNodes_[NodeAddress{datagram.source.network, datagram.source.node}] = frame->source;
    if (datagram.destination.network == kLocalTalkNetwork) datagram.destination.network = 0;
    auto ddp = DdpCodec::serializeLong(datagram);
    const auto llap =
        ddp ? LlapFrame{datagram.destination.node, datagram.source.node, LlapFrame::kLongDdp, std::move(*ddp)}
                  .serialize()
            : std::nullopt;
    if (!llap) {
        ++counters_.dropped;
        return;
    }
    ++counters_.toLocalTalk;
    toLocalTalk_(*llap);
}

// Requests and probes for a LocalTalk node's address are answered with the bridge's own
// hardware address, so Ethernet nodes send it their datagrams for that node and choose no
// address a LocalTalk node holds.
void StartupRangeBridge::answerAarp(const AarpPacket& packet) {
    if (packet.function != AarpFunction::Probe && !packet.sourceHardware.isGroup())
        etherTalkNodes_[packet.sourceAddress] = packet.sourceHardware;
    if (packet.function == AarpFunction::Response) return;
    const NodeAddress wanted = packet.destinationAddress;
    if (wanted.network != kLocalTalkNetwork || !localTalkNodes_.test(wanted.node)) return;
    const AarpPacket answer{AarpFunction::Response, hardware_, wanted, packet.sourceHardware, packet.sourceAddress};
    const auto frame =
        EtherTalkFrame{packet.sourceHardware, hardware_, EtherProtocol::Aarp, answer.serialize()}.serialize();
    if (!frame) return;
    ++counters_.aarpAnswered;
    toEtherTalk_(*frame);
}

} // namespace appletalk::testing
