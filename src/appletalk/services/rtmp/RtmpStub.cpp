// SPDX-License-Identifier: MIT
#include "appletalk/services/rtmp/RtmpStub.h"

#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"

#include <memory>

namespace appletalk {

namespace {

constexpr std::uint8_t kRtmpDataType = 1;
constexpr std::uint8_t kRtmpRequestType = 5;

std::optional<CableRange> rangeOf(const std::optional<rtmp::RtmpTuple>& tuple) {
    if (!tuple) return std::nullopt;
    return CableRange{tuple->rangeStart, tuple->rangeEnd};
}

} // namespace

RtmpStub::RtmpStub(Node& node, RtmpStubOptions options) : node_(node), options_(options) {}

RtmpStub::~RtmpStub() {
    *alive_ = false;
    node_.timers().cancel(requestTimer_);
    node_.timers().cancel(agingTimer_);
    if (open_) node_.closeSocket(kRtmpSocket);
}

bool RtmpStub::start() {
    if (started_) return false;
    open_ = node_.openSocket(kRtmpSocket, [this](const Datagram& datagram) { receive(datagram); });
    if (!open_) return false;
    started_ = true;
    requestsLeft_ = options_.requestCount;
    // The node may still be probing for its id: nothing can be sent before that.
    node_.whenReady([this, alive = std::weak_ptr<bool>(alive_)](std::uint8_t) {
        if (alive.lock()) sendRequest();
    });
    return true;
}

void RtmpStub::sendRequest() {
    requestTimer_ = 0;
    if (hasRouter() || requestsLeft_ <= 0) return;
    --requestsLeft_;
    const auto bytes = rtmp::RtmpRequest{}.serialize();
    if (node_.send(
            Datagram{{0, DdpAddress::kBroadcastNode, kRtmpSocket}, {0, 0, kRtmpSocket}, kRtmpRequestType, 0, bytes}) ==
        SendResult::Sent)
        ++requestsSent_;
    if (requestsLeft_ > 0)
        requestTimer_ = node_.timers().scheduleAfter(options_.requestInterval, [this] { sendRequest(); });
}

void RtmpStub::receive(const Datagram& datagram) {
    if (datagram.type != kRtmpDataType) return; // type 5: another node asking, not for us
    // A router names itself; a packet naming another node than the one that sent it would
    // send all our off-net traffic to a node that may not exist.
    const std::uint8_t from = datagram.source.node;
    if (const auto data = rtmp::RtmpData::parse(datagram.data)) {
        if (data->senderNode == from) heard(data->senderNetwork, from, rangeOf(data->cableRange));
    } else if (const auto response = rtmp::RtmpResponse::parse(datagram.data)) {
        if (response->senderNode == from) heard(response->senderNetwork, from, rangeOf(response->cableRange));
    }
}

void RtmpStub::heard(std::uint16_t network, std::uint8_t routerNode, std::optional<CableRange> range) {
    if (routerNode == 0 || routerNode == DdpAddress::kBroadcastNode) return;
    ++routerPackets_;
    const bool changed =
        node_.aRouter() != routerNode || cableRange_ != range || (!range && node_.thisNet() != network);
    cableRange_ = range;
    if (!range) node_.setThisNet(network);
    // A node on an extended cable has a number of its range, not a LocalTalk-style one. On
    // EtherTalk that number is AARP's to choose: the node's start-up moves it.
    else if (!node_.isExtended() && (node_.thisNet() < range->first || node_.thisNet() > range->last))
        node_.setThisNet(range->first);
    if (range && node_.isExtended()) node_.setCableRange(NetworkRange{range->first, range->last});
    node_.setARouter(routerNode, network);
    node_.timers().cancel(requestTimer_);
    requestTimer_ = 0;
    node_.timers().cancel(agingTimer_);
    agingTimer_ = node_.timers().scheduleAfter(options_.agingTime, [this] { ageOut(); });
    if (changed && routerChanged_) routerChanged_();
}

void RtmpStub::ageOut() {
    agingTimer_ = 0;
    node_.setARouter(0);
    if (routerChanged_) routerChanged_();
}

} // namespace appletalk
