#include "appletalk/api/NodeNetwork.h"

#include "appletalk/api/ApiResults.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/text/MacRoman.h"

#include <algorithm>

namespace appletalk::api {

namespace {

constexpr std::uint8_t kDdpRtmp = 1;
constexpr std::uint8_t kDdpNbp = 2;
constexpr std::uint8_t kDdpRtmpRequest = 5;
// A zone list longer than this is a router gone wrong; stop paging rather than loop.
constexpr std::size_t kMaxZones = 65535;

bool containsFolded(const std::vector<std::string>& zones, const std::string& zone) {
    return std::any_of(zones.begin(), zones.end(),
                       [&zone](const std::string& known) { return text::compareFolded(known, zone) == 0; });
}

} // namespace

NodeNetwork::NodeNetwork(Node& node, NodeNetworkTiming timing, Gate gate)
    : node_(node), timing_(timing), atp_(node), gate_(std::move(gate)) {
    node_.openSocket(kRtmpSocket, [this](const Datagram& datagram) { receiveRtmp(datagram); });
    nbpSocket_ = node_.openDynamicSocket([this](const Datagram& datagram) { receiveNbp(datagram); });
    node_.whenReady([this](std::uint8_t) { nodeReady(); });
    startWhenOpen();
}

void NodeNetwork::startWhenOpen() {
    gateTimer_ = 0;
    if (!gate_ || gate_()) {
        node_.start();
        return;
    }
    gateTimer_ = node_.timers().scheduleAfter(std::chrono::milliseconds(20), [this] { startWhenOpen(); });
}

NodeNetwork::~NodeNetwork() {
    for (TimerId timer : {gateTimer_, rtmpTimer_, ageTimer_, zoneTimer_}) node_.timers().cancel(timer);
    for (auto& [id, lookup] : lookups_) node_.timers().cancel(lookup.timer);
    for (auto& [id, query] : statusQueries_) node_.timers().cancel(query.timer);
    node_.closeSocket(kRtmpSocket);
    if (nbpSocket_ != 0) node_.closeSocket(nbpSocket_);
}

// Start-up -------------------------------------------------------------------------------

void NodeNetwork::nodeReady() {
    rtmpRequestsLeft_ = timing_.rtmpRequests;
    sendRtmpRequest();
}

void NodeNetwork::sendRtmpRequest() {
    rtmpTimer_ = 0;
    if (hasRouter_) return;
    if (rtmpRequestsLeft_-- <= 0) {
        finishStart();  // nobody answered: a network without routers, network 0, no zone
        return;
    }
    Datagram request{{0, DdpAddress::kBroadcastNode, kRtmpSocket}, {0, 0, kRtmpSocket}, kDdpRtmpRequest, 0,
                     rtmp::RtmpRequest{}.serialize()};
    node_.send(std::move(request));
    rtmpTimer_ = node_.timers().scheduleAfter(timing_.rtmpRequestInterval, [this] { sendRtmpRequest(); });
}

void NodeNetwork::receiveRtmp(const Datagram& datagram) {
    if (datagram.type != kDdpRtmp) return;  // other nodes' requests
    if (datagram.data.size() == 4 || (datagram.data.size() == 10 && datagram.destination.node != DdpAddress::kBroadcastNode)) {
        if (const auto response = rtmp::RtmpResponse::parse(datagram.data)) {
            const auto range = response->cableRange;
            learnRouter(response->senderNetwork, response->senderNode, range ? range->rangeStart : response->senderNetwork,
                        range ? range->rangeEnd : response->senderNetwork);
            return;
        }
    }
    if (const auto data = rtmp::RtmpData::parse(datagram.data)) {
        const auto range = data->cableRange;
        learnRouter(data->senderNetwork, data->senderNode, range ? range->rangeStart : data->senderNetwork,
                    range ? range->rangeEnd : data->senderNetwork);
    }
}

void NodeNetwork::learnRouter(std::uint16_t network, std::uint8_t node, std::uint16_t first, std::uint16_t last) {
    const bool changed = !hasRouter_ || node_.thisNet() != network || node_.aRouter() != node;
    hasRouter_ = true;
    node_.setThisNet(network);
    node_.setARouter(node);
    rangeFirst_ = first;
    rangeLast_ = last;
    node_.timers().cancel(ageTimer_);
    ageTimer_ = node_.timers().scheduleAfter(timing_.routerAge, [this] { ageRouter(); });
    if (rtmpTimer_ != 0) {
        node_.timers().cancel(rtmpTimer_);
        rtmpTimer_ = 0;
    }
    // A new router may put us in another zone: ask at once rather than at the next refresh.
    if (changed) askMyZone();
}

void NodeNetwork::ageRouter() {
    ageTimer_ = 0;
    hasRouter_ = false;
    node_.setARouter(0);  // THIS-NET stays: the cable did not change
}

void NodeNetwork::askMyZone() {
    node_.timers().cancel(zoneTimer_);
    zoneTimer_ = node_.timers().scheduleAfter(timing_.zoneRefresh, [this] {
        zoneTimer_ = 0;
        if (hasRouter_) askMyZone();
    });
    if (myZoneTransaction_ != 0) atp_.cancel(myZoneTransaction_);
    AtpRequestOptions options;
    options.retryInterval = timing_.zipRetryInterval;
    options.retries = timing_.zipRetries;
    const auto request = zip::ZipAtpRequest::getMyZone();
    myZoneTransaction_ = atp_.send(routerSocket(kZipSocket), {request.serialize(), {}}, options, [this](const AtpResult& result) {
        myZoneTransaction_ = 0;
        if (result.status == AtpStatus::Ok && !result.packets.empty()) {
            const auto reply = zip::ZipZoneListReply::parse(result.packets[0].userBytes, result.packets[0].data);
            if (reply && !reply->zones.empty()) zone_ = reply->zones[0];
        }
        finishStart();
    });
    if (myZoneTransaction_ == 0) finishStart();
}

void NodeNetwork::finishStart() {
    if (started_) return;
    started_ = true;
    auto waiters = std::move(startWaiters_);
    startWaiters_.clear();
    for (Started& started : waiters) started(true);
}

void NodeNetwork::whenStarted(Started started) {
    if (started_) started(true);
    else startWaiters_.push_back(std::move(started));
}

std::optional<NodeInfo> NodeNetwork::nodeInfo() const {
    if (!started_) return std::nullopt;
    NodeInfo info;
    info.network = node_.thisNet();
    info.node = node_.nodeId();
    info.hasRouter = hasRouter_;
    info.rangeFirst = hasRouter_ ? rangeFirst_ : info.network;
    info.rangeLast = hasRouter_ ? rangeLast_ : info.network;
    info.zone = hasRouter_ ? zone_ : std::string();
    return info;
}

DdpAddress NodeNetwork::routerSocket(std::uint8_t socket) const {
    return {node_.thisNet(), node_.aRouter(), socket};
}

// Zone list --------------------------------------------------------------------------------

OperationId NodeNetwork::zoneList(ZonesDone done) {
    const OperationId id = nextOperation_++;
    zoneListings_[id].done = std::move(done);
    whenStarted([this, id](bool) {
        if (zoneListings_.count(id) == 0) return;
        if (!hasRouter_) finishZones(id, kErrNoRouter);
        else requestZonePage(id, 1);
    });
    return id;
}

void NodeNetwork::requestZonePage(OperationId id, std::uint16_t startIndex) {
    AtpRequestOptions options;
    options.retryInterval = timing_.zipRetryInterval;
    options.retries = timing_.zipRetries;
    const auto request = zip::ZipAtpRequest::getZoneList(startIndex);
    const auto transaction = atp_.send(routerSocket(kZipSocket), {request.serialize(), {}}, options,
                                       [this, id](const AtpResult& result) { zonePage(id, result); });
    if (transaction == 0) finishZones(id, kErrNoRouter);
    else zoneListings_[id].transaction = transaction;
}

void NodeNetwork::zonePage(OperationId id, const AtpResult& result) {
    const auto found = zoneListings_.find(id);
    if (found == zoneListings_.end()) return;
    ZoneListing& listing = found->second;
    listing.transaction = 0;
    if (result.status != AtpStatus::Ok || result.packets.empty()) {
        finishZones(id, kErrNoRouter);
        return;
    }
    const auto reply = zip::ZipZoneListReply::parse(result.packets[0].userBytes, result.packets[0].data);
    if (!reply) {
        finishZones(id, kErrNoRouter);
        return;
    }
    // Zones can repeat while a router's table changes: keep each once (NBP case fold).
    for (const std::string& zone : reply->zones) {
        if (!containsFolded(listing.zones, zone)) listing.zones.push_back(zone);
    }
    listing.received += reply->zones.size();
    if (reply->last || reply->zones.empty() || listing.received >= kMaxZones) {
        finishZones(id, kOk);
        return;
    }
    // The next page starts after the names the router has sent so far, counted as it counts.
    requestZonePage(id, static_cast<std::uint16_t>(listing.received + 1));
}

void NodeNetwork::finishZones(OperationId id, int status) {
    const auto found = zoneListings_.find(id);
    if (found == zoneListings_.end()) return;
    ZoneListing listing = std::move(found->second);
    zoneListings_.erase(found);
    if (status != kOk) listing.zones.clear();
    listing.done(status, std::move(listing.zones));
}

// NBP look-up ------------------------------------------------------------------------------

OperationId NodeNetwork::lookup(const nbp::NbpName& pattern, const LookupParameters& parameters, TupleFound found,
                                LookupDone done) {
    const OperationId id = nextOperation_++;
    Lookup& lookup = lookups_[id];
    lookup.found = std::move(found);
    lookup.done = std::move(done);
    lookup.parameters = parameters;
    lookup.sendsLeft = 1 + std::max(0, parameters.retries);
    nbp::NbpTuple requester;
    requester.name = pattern;
    lookup.request.function = nbp::NbpFunction::Lookup;
    lookup.request.id = nextNbpId_++;
    lookup.request.tuples = {requester};
    whenStarted([this, id](bool) {
        if (lookups_.count(id) != 0) sendLookup(id);
    });
    return id;
}

void NodeNetwork::sendLookup(OperationId id) {
    auto found = lookups_.find(id);
    if (found == lookups_.end()) return;
    Lookup& lookup = found->second;
    lookup.timer = 0;
    if (lookup.sendsLeft-- <= 0) {
        LookupDone done = std::move(lookup.done);
        lookups_.erase(found);
        if (done) done();
        return;
    }
    // The reply goes to the address in the request's tuple: our NBP socket, as it is now.
    nbp::NbpTuple& requester = lookup.request.tuples[0];
    requester.network = node_.thisNet();
    requester.node = node_.nodeId();
    requester.socket = nbpSocket_;
    DdpAddress destination{0, DdpAddress::kBroadcastNode, kNbpSocket};
    lookup.request.function = nbp::NbpFunction::Lookup;
    if (hasRouter_) {
        // The router spreads a BrRq over every network of the zone; "*" means our own.
        lookup.request.function = nbp::NbpFunction::BroadcastRequest;
        destination = routerSocket(kNbpSocket);
    }
    node_.send({destination, {0, 0, nbpSocket_}, kDdpNbp, 0, lookup.request.serialize()});
    lookup.timer = node_.timers().scheduleAfter(lookup.parameters.retryInterval, [this, id] { sendLookup(id); });
}

void NodeNetwork::receiveNbp(const Datagram& datagram) {
    if (datagram.type != kDdpNbp) return;
    const auto packet = nbp::NbpPacket::parse(datagram.data);
    if (!packet || packet->function != nbp::NbpFunction::LookupReply) return;
    const auto byId = [&packet](const auto& entry) { return entry.second.request.id == packet->id; };
    for (const nbp::NbpTuple& tuple : packet->tuples) {
        const auto found = std::find_if(lookups_.begin(), lookups_.end(), byId);
        if (found == lookups_.end()) return;  // cancelled, possibly by the callback before
        Lookup& lookup = found->second;
        // Every request is answered again on each resend: report each entity once.
        if (!lookup.seen.emplace(tuple.network, tuple.node, tuple.socket, tuple.enumerator).second) continue;
        TupleFound report = lookup.found;
        if (report) report(tuple);
    }
}

// PAP status -------------------------------------------------------------------------------

OperationId NodeNetwork::papStatus(const DdpAddress& printer, StatusDone done) {
    const OperationId id = nextOperation_++;
    AtpRequestOptions options;
    options.retryInterval = timing_.papRetryInterval;
    options.retries = timing_.papRetries;
    const atp::AtpPayload request{pap::PapHeader::sendStatus().serialize(), {}};
    statusQueries_[id] = {};
    const auto transaction = atp_.send(printer, request, options, [this, id, done](const AtpResult& result) {
        if (statusQueries_.erase(id) == 0) return;
        std::optional<std::string> status;
        if (result.status == AtpStatus::Ok && !result.packets.empty()) {
            const auto header = pap::PapHeader::parse(result.packets[0].userBytes);
            const auto text = pap::PapStatus::parse(result.packets[0].data);
            if (header && header->function == pap::PapFunction::Status && text) status = text->status;
        }
        done(std::move(status));
    });
    if (transaction == 0) {
        // Could not even be sent (a bad address): report it from a timer, never from inside
        // the caller's own call.
        statusQueries_[id].timer = node_.timers().scheduleAfter(Duration::zero(), [this, id, done] {
            if (statusQueries_.erase(id) != 0) done(std::nullopt);
        });
    } else {
        statusQueries_[id].transaction = transaction;
    }
    return id;
}

// Cancelling -------------------------------------------------------------------------------

void NodeNetwork::cancel(OperationId id) {
    if (auto found = zoneListings_.find(id); found != zoneListings_.end()) {
        if (found->second.transaction != 0) atp_.cancel(found->second.transaction);
        zoneListings_.erase(found);
    }
    if (auto found = lookups_.find(id); found != lookups_.end()) {
        node_.timers().cancel(found->second.timer);
        lookups_.erase(found);
    }
    if (auto found = statusQueries_.find(id); found != statusQueries_.end()) {
        if (found->second.transaction != 0) atp_.cancel(found->second.transaction);
        node_.timers().cancel(found->second.timer);
        statusQueries_.erase(found);
    }
}

} // namespace appletalk::api
