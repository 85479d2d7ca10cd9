// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimRouter.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "appletalk/sim/RouterNbpService.h"
#include "appletalk/sim/RouterZipService.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <stdexcept>

namespace appletalk::sim {

namespace {

constexpr std::uint8_t kRtmpDataType = 1;
constexpr std::uint8_t kRtmpRequestType = 5;
constexpr std::uint16_t kFirstStartupNetwork = 0xFF00;

rtmp::RtmpTuple cableTuple(const RouterPortConfig& config) {
    return config.extended ? rtmp::RtmpTuple::range(config.rangeStart, config.rangeEnd, 0)
                           : rtmp::RtmpTuple::network(config.rangeStart, 0);
}

} // namespace

SimRouter::SimRouter(const Clock& clock, std::uint8_t preferredNode, std::uint64_t seed)
    : clock_(clock), preferredNode_(preferredNode), seed_(seed) {
    zip_ = std::make_unique<RouterZipService>(*this);
    nbp_ = std::make_unique<RouterNbpService>(*this);
}

SimRouter::~SimRouter() {
    for (auto& port : ports_) group_.remove(*port->node);
}

std::size_t SimRouter::addPort(std::unique_ptr<Link> link, const RouterPortConfig& config, ProbeTiming probes) {
    if (const std::string problem = config.validate(); !problem.empty()) throw std::invalid_argument(problem);
    for (const auto& port : ports_)
        if (config.rangeStart <= port->config.rangeEnd && port->config.rangeStart <= config.rangeEnd)
            throw std::invalid_argument("the port's networks overlap another port's");
    if (!link) throw std::invalid_argument("a port needs a link");
    auto port = std::make_unique<Port>();
    port->config = config;
    if (port->config.defaultZone.empty()) port->config.defaultZone = config.zones.front();
    NodeConfig nodeConfig;
    nodeConfig.acquisition.role = NodeRole::Server;
    nodeConfig.acquisition.preferredId = preferredNode_;
    probes.applyTo(nodeConfig.acquisition);
    nodeConfig.seed = seed_ == 0 ? 0 : seed_ + ports_.size() + 1;
    port->link = std::move(link);
    port->node = std::make_unique<Node>(clock_, *port->link, nodeConfig);
    port->node->setThisNet(config.rangeStart);
    if (config.extended) port->node->setCableRange(NetworkRange{config.rangeStart, config.rangeEnd});
    for (const std::string& zone : config.zones) zones_.add(zone);
    ports_.push_back(std::move(port));
    const std::size_t index = ports_.size() - 1;
    openSockets(index);
    group_.add(*ports_[index]->node);
    return index;
}

void SimRouter::openSockets(std::size_t port) {
    Node& node = *ports_[port]->node;
    node.openSocket(kRtmpSocket, [this, port](const Datagram& d) { answerRtmp(port, d); });
    node.openSocket(kNbpSocket, [this, port](const Datagram& d) { nbp_->handle(port, d); });
    node.openSocket(kZipSocket, [this, port](const Datagram& d) { zip_->handle(port, d); });
    node.setForwardHandler([this, port](const Datagram& d) { forward(port, d); });
}

void SimRouter::start() {
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        Node& node = *ports_[i]->node;
        node.whenReady([this, i](std::uint8_t) { sendRtmpData(i); });
        node.start();
    }
}

bool SimRouter::isReady() const {
    return std::all_of(ports_.begin(), ports_.end(), [](const auto& port) { return port->node->isReady(); });
}

bool SimRouter::acquisitionFailed() const {
    return std::any_of(ports_.begin(), ports_.end(), [](const auto& port) { return port->node->acquisitionFailed(); });
}

void SimRouter::registerName(const nbp::NbpName& name, std::uint8_t socket) { names_.emplace_back(name, socket); }

std::optional<std::size_t> SimRouter::portFor(std::uint16_t network) const {
    for (std::size_t i = 0; i < ports_.size(); ++i)
        if (ports_[i]->config.contains(network)) return i;
    return std::nullopt;
}

std::string SimRouter::defaultZone(std::size_t port) const { return ports_.at(port)->config.defaultZone; }

bool SimRouter::portHasZone(std::size_t port, std::string_view zone) const {
    const auto& zones = ports_.at(port)->config.zones;
    return std::any_of(zones.begin(), zones.end(),
                       [&](const std::string& z) { return vidur::text::compareFolded(z, zone) == 0; });
}

DdpAddress SimRouter::replyAddress(const DdpAddress& requester) {
    if (requester.network == 0 || requester.network >= kFirstStartupNetwork)
        return DdpAddress{0, DdpAddress::kBroadcastNode, requester.socket};
    return requester;
}

SendResult SimRouter::sendFrom(std::size_t port, Datagram datagram) {
    Node& from = *ports_.at(port)->node;
    const std::uint16_t network = datagram.destination.network;
    const auto target = network == 0 ? std::optional<std::size_t>(port) : portFor(network);
    if (!target) return SendResult::NoRoute;
    if (*target == port && (network == 0 || network == from.thisNet())) return from.send(std::move(datagram));
    datagram.source.network = from.thisNet();
    datagram.source.node = from.nodeId();
    return sendOnPort(*target, datagram, true);
}

SendResult SimRouter::sendOnPort(std::size_t port, const Datagram& datagram, bool keepSource) {
    Node& node = *ports_[port]->node;
    // A node knows one THIS-NET; an extended cable holds several numbers, so the port node
    // takes the destination's for the one send that puts it on the cable.
    // An EtherTalk node knows its cable's range and needs no such help.
    const std::uint16_t own = node.thisNet();
    const std::uint16_t network = datagram.destination.network;
    if (network != 0 && network != own && !node.isExtended()) node.setThisNet(network);
    SendOptions options;
    options.keepSource = keepSource;
    const SendResult result = node.send(datagram, options);
    node.setThisNet(own);
    return result;
}

void SimRouter::forward(std::size_t arrival, Datagram datagram) {
    const auto target = portFor(datagram.destination.network);
    if (!target) {
        ++counters_.droppedNoRoute;
        return;
    }
    // A broadcast back onto the cable it came from would only echo it: everyone there heard
    // it. A datagram addressed to us for another number of that cable goes back onto it, as
    // from a node of an extended cable that sends whatever is not its own number to us.
    if (*target == arrival && datagram.destination.node == DdpAddress::kBroadcastNode) {
        ++counters_.droppedEcho;
        return;
    }
    if (datagram.hopCount >= DdpCodec::kMaxHopCount) {
        ++counters_.droppedHopCount;
        return;
    }
    ++datagram.hopCount;
    if (sendOnPort(*target, datagram, true) == SendResult::Sent)
        ++counters_.forwarded;
    else
        ++counters_.droppedSendFailed;
}

std::vector<std::uint8_t> SimRouter::rtmpData(std::size_t port, bool splitHorizon) const {
    const RouterPortConfig& config = ports_[port]->config;
    rtmp::RtmpData data;
    // The port node's own number: on EtherTalk AARP may have given it another of the range.
    data.senderNetwork = ports_[port]->node->thisNet();
    data.senderNode = ports_[port]->node->nodeId();
    if (config.extended) data.cableRange = cableTuple(config);
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        // Split horizon: the cable's own network is not announced back onto it.
        if (i == port && (splitHorizon || config.extended)) continue;
        data.tuples.push_back(cableTuple(ports_[i]->config));
    }
    return data.serialize();
}

void SimRouter::sendRtmpData(std::size_t port) {
    Node& node = *ports_[port]->node;
    if (node.send(Datagram{{0, DdpAddress::kBroadcastNode, kRtmpSocket},
                           {0, 0, kRtmpSocket},
                           kRtmpDataType,
                           0,
                           rtmpData(port, true)}) == SendResult::Sent)
        ++counters_.rtmpDataSent;
    node.timers().scheduleAfter(kRtmpInterval, [this, port] { sendRtmpData(port); });
}

void SimRouter::answerRtmp(std::size_t port, const Datagram& request) {
    if (request.type != kRtmpRequestType) return; // other routers' Data: we learn no routes
    const auto parsed = rtmp::RtmpRequest::parse(request.data);
    if (!parsed) return;
    std::vector<std::uint8_t> reply;
    if (parsed->function == rtmp::RtmpRequest::Function::Request) {
        const RouterPortConfig& config = ports_[port]->config;
        rtmp::RtmpResponse response{ports_[port]->node->thisNet(), ports_[port]->node->nodeId(), std::nullopt};
        if (config.extended) response.cableRange = cableTuple(config);
        reply = response.serialize();
    } else {
        reply = rtmpData(port, parsed->function == rtmp::RtmpRequest::Function::RouteDataSplitHorizon);
    }
    if (reply.empty()) return;
    sendFrom(port, Datagram{replyAddress(request.source), {0, 0, kRtmpSocket}, kRtmpDataType, 0, std::move(reply)});
}

} // namespace appletalk::sim
