// SPDX-License-Identifier: MIT
#include "appletalk/runtime/NodeNetwork.h"

#include "appletalk/node/service/SharedNode.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/DebugLog.h"

#include <algorithm>

namespace appletalk::runtime {

namespace {

// A zone list's end as the library reports it: a router that answered with something that
// could not be read, or a list without end, is not "no router".
int zoneResult(ZipStatus status) {
    switch (status) {
    case ZipStatus::Ok: return kOk;
    case ZipStatus::BadReply: return kErrBadReply;
    case ZipStatus::TooManyZones: return kErrTooManyZones;
    default: return kErrNoRouter;
    }
}

std::string resultWord(int result) {
    switch (result) {
    case kOk: return "answered";
    case kErrBadReply: return "bad reply";
    case kErrNoRouter: return "no router";
    case kErrTooManyZones: return "too many zones";
    default: return "no answer";
    }
}

// One line on a finished look-up: what it found, and what was lost on the way in since the
// stack started, so a device missing from a list can be traced to where it went.
std::string lookupNote(const nbp::NbpName& pattern, const NbpLookup& lookup, const Node& node,
                       std::uint64_t requestsSinceStart) {
    const NodeCounters& counters = node.counters();
    const auto lastMs = std::chrono::duration_cast<std::chrono::milliseconds>(lookup.lastFoundAfter()).count();
    return "look-up of " + pattern.object + ":" + pattern.type + "@" + pattern.zone + ": " +
           std::to_string(lookup.results().size()) + " found after " + std::to_string(lookup.requestsSent()) +
           " requests, the last " + std::to_string(lastMs) + " ms after the first request, " +
           std::to_string(lookup.malformedReplies()) + " impossible replies, " +
           std::to_string(lookup.mismatchedReplies()) + " for names not asked for; since start " +
           std::to_string(requestsSinceStart) + " look-up requests sent, " +
           std::to_string(node.framesDroppedByLink()) + " frames lost by the link, " +
           std::to_string(counters.framesMalformed) + " unreadable, " + std::to_string(counters.datagramsNoSocket) +
           " for closed sockets (replies after a look-up ended)";
}

// One line on a finished ATP operation (a zone list, a printer's status): what it sent, so a
// responder that draws resends shows in the count.
std::string atpNote(const std::string& what, int result, const AtpRequesterCounters& sent,
                    const AtpRequesterCounters& sinceStart) {
    return what + ": " + resultWord(result) + " after " + std::to_string(sent.requestsSent) + " ATP requests (" +
           std::to_string(sent.retries) + " resent when the retry timer ran out, " +
           std::to_string(sent.statusResends) + " resent for STS); since start " +
           std::to_string(sinceStart.requestsSent) + " ATP requests, " + std::to_string(sinceStart.retries) +
           " timed resends, " + std::to_string(sinceStart.statusResends) + " for STS";
}

void addCounts(AtpRequesterCounters& total, const AtpRequesterCounters& more) {
    total.requestsSent += more.requestsSent;
    total.retries += more.retries;
    total.statusResends += more.statusResends;
    total.responsesDropped += more.responsesDropped;
    total.responsesMalformed += more.responsesMalformed;
}

std::string addressText(const DdpAddress& address) {
    return std::to_string(address.network) + "." + std::to_string(address.node) + ":" + std::to_string(address.socket);
}

} // namespace

NodeNetwork::NodeNetwork(Node& node, NodeNetworkTiming timing, Gate gate, ExtendedMemory memory)
    : node_(node),
      timing_(timing),
      rtmp_(node, timing.rtmp),
      myZone_(node, timing.zip),
      gate_(std::move(gate)),
      memory_(std::move(memory)),
      netInfo_(node, timing.zip) {
    if (SharedNode* shared = node_.sharedNode()) {
        startShared(*shared);
        return;
    }
    if (node_.isExtended() && memory_.network != 0) {
        node_.setThisNet(memory_.network);
    }
    rtmp_.setRouterChanged([this] { routerChanged(); });
    node_.whenReady([this](std::uint8_t) { nodeReady(); });
    node_.whenAcquisitionFails([this] { failStart(); });
    // The node's own address probes need nobody else: they run beside the router's start-up.
    node_.start();
    startWhenOpen();
}

NodeNetwork::~NodeNetwork() {
    for (TimerId timer : {gateTimer_, noRouterTimer_, zoneTimer_}) node_.timers().cancel(timer);
    for (auto& [id, query] : statusQueries_) node_.timers().cancel(query.timer);
}

// A node shared through the service ------------------------------------------------------

void NodeNetwork::startShared(SharedNode& shared) {
    shared.setStateChanged([this] { followShared(); });
    shared.setGone([this] { serviceGone(); });
    node_.whenReady([this](std::uint8_t) {
        followShared();
        finishStart();
    });
    node_.start();
}

// What the service's node knows is what this node knows: its address, its router (for
// the services that ask the router themselves), its range and zone.
void NodeNetwork::followShared() {
    const nodeservice::NodeState& state = node_.sharedNode()->state();
    node_.setThisNet(state.network);
    node_.setARouter(state.routerNode, state.routerNetwork);
    if (state.rangeFirst) node_.setCableRange(NetworkRange{*state.rangeFirst, state.rangeLast});
    zone_ = state.zone;
    zoneUnreadable_ = state.zoneUnreadable;
}

void NodeNetwork::serviceGone() {
    if (startFailure_ != 0) return;
    startFailure_ = kErrServiceGone;
    DebugLog::note("the AppleTalk node service went away");
    auto waiters = std::move(startWaiters_);
    startWaiters_.clear();
    for (Started& started : waiters) started(false);
    failInFlight(kErrServiceGone);
    auto lost = std::move(lostWaiters_);
    lostWaiters_.clear();
    for (auto& tell : lost) tell();
}

void NodeNetwork::whenLost(std::function<void()> lost) {
    if (startFailure_ == kErrServiceGone)
        lost();
    else
        lostWaiters_.push_back(std::move(lost));
}

void NodeNetwork::failInFlight(int result) {
    auto listings = std::move(zoneListings_);
    auto lookups = std::move(lookups_);
    auto queries = std::move(statusQueries_);
    zoneListings_.clear();
    lookups_.clear();
    statusQueries_.clear();
    for (auto& [id, listing] : listings) {
        listing.client.reset();
        if (listing.done) listing.done(result, {});
    }
    for (auto& [id, lookup] : lookups) {
        lookup.lookup.reset();
        if (lookup.done) lookup.done(result);
    }
    for (auto& [id, query] : queries) {
        node_.timers().cancel(query.timer);
        query.client.reset();
        if (query.done) query.done(result, {});
    }
}

std::optional<CableRange> NodeNetwork::routerRange() const {
    if (SharedNode* shared = node_.sharedNode()) {
        const nodeservice::NodeState& state = shared->state();
        if (!state.rangeFirst) return std::nullopt;
        return CableRange{*state.rangeFirst, state.rangeLast};
    }
    return rtmp_.cableRange();
}

// Start-up -------------------------------------------------------------------------------

void NodeNetwork::startWhenOpen() {
    gateTimer_ = 0;
    if (!gate_ || gate_()) {
        rtmp_.start();
        return;
    }
    gateTimer_ = node_.timers().scheduleAfter(std::chrono::milliseconds(20), [this] { startWhenOpen(); });
}

void NodeNetwork::nodeReady() {
    if (node_.isExtended()) {
        askNetInfo();
        return;
    }
    // The stub asks a few times; a router that has not spoken by the end of that is absent:
    // network 0, no zone, look-ups by broadcast.
    const Duration patience = timing_.rtmp.requestInterval * timing_.rtmp.requestCount;
    noRouterTimer_ = node_.timers().scheduleAfter(patience, [this] {
        noRouterTimer_ = 0;
        if (!rtmp_.hasRouter()) finishStart();
    });
}

void NodeNetwork::routerChanged() {
    if (node_.isExtended()) {
        // The zone comes from GetNetInfo; a router heard after a start without one may
        // bring the cable a range and zones, so ask it.
        if (!netInfoDone_) return;
        if (!started_)
            finishStart();
        else if (rtmp_.hasRouter() && zone_.empty() && !netInfo_.isRunning())
            askNetInfo();
        return;
    }
    // A new router may put us in another zone: ask at once rather than at the next refresh.
    if (rtmp_.hasRouter())
        askMyZone();
    else
        zone_.clear();
}

void NodeNetwork::askMyZone() {
    node_.timers().cancel(zoneTimer_);
    zoneTimer_ = node_.timers().scheduleAfter(timing_.zoneRefresh, [this] {
        zoneTimer_ = 0;
        if (rtmp_.hasRouter()) askMyZone();
    });
    myZone_.cancel();
    myZone_.getMyZone([this](ZipStatus status) {
        if (status == ZipStatus::Ok && !myZone_.zones().empty()) zone_ = myZone_.zones().front();
        zoneUnreadable_ = status == ZipStatus::BadReply;
        finishStart();
    });
}

// EtherTalk start-up --------------------------------------------------------------------

void NodeNetwork::askNetInfo() {
    netInfo_.cancel();
    netInfo_.getNetInfo(zone_.empty() ? memory_.zone : zone_, [this](ZipStatus status) { netInfoAnswered(status); });
}

void NodeNetwork::netInfoAnswered(ZipStatus status) {
    if (status != ZipStatus::Ok || !netInfo_.netInfo()) {
        // Nobody answered (or only unreadably): no router, the provisional address stays, no zone.
        zoneUnreadable_ = status == ZipStatus::BadReply;
        netInfoDone_ = true;
        finishStart();
        return;
    }
    const zip::ZipGetNetInfoReply reply = *netInfo_.netInfo();
    const std::string zone = reply.defaultZone ? *reply.defaultZone : reply.zone;
    const std::vector<std::uint8_t> multicast = (reply.flags & zip::ZipGetNetInfoReply::kUseBroadcast) != 0
                                                    ? std::vector<std::uint8_t>{}
                                                    : reply.multicastAddress;
    const NetworkRange range{reply.rangeStart, reply.rangeEnd};
    const NodeAddress preferred{memory_.network, memory_.node};
    node_.moveInto(range, preferred, [this, zone, multicast](std::uint8_t) {
        joinZone(zone, multicast);
        netInfoDone_ = true;
        if (memory_.save) {
            memory_.network = node_.thisNet();
            memory_.node = node_.nodeId();
            memory_.zone = zone;
            memory_.save(memory_);
        }
        // RTMP Data from the router comes every 10 s; once it has spoken, or the stub has
        // given up asking, the start is over.
        if (rtmp_.hasRouter()) {
            finishStart();
            return;
        }
        const Duration patience = timing_.rtmp.requestInterval * timing_.rtmp.requestCount;
        node_.timers().cancel(noRouterTimer_);
        noRouterTimer_ = node_.timers().scheduleAfter(patience, [this] {
            noRouterTimer_ = 0;
            finishStart();
        });
    });
}

void NodeNetwork::joinZone(const std::string& zone, const std::vector<std::uint8_t>& multicast) {
    zone_ = zone;
    std::optional<MacAddress> group = MacAddress::fromBytes(multicast);
    if (group && !group->isGroup()) group.reset();
    if (group == zoneGroup_) return;
    if (zoneGroup_) node_.leaveGroup(*zoneGroup_);
    zoneGroup_.reset();
    if (group && node_.joinGroup(*group)) zoneGroup_ = group;
}

void NodeNetwork::finishStart() {
    if (started_) return;
    started_ = true;
    node_.timers().cancel(noRouterTimer_);
    noRouterTimer_ = 0;
    auto waiters = std::move(startWaiters_);
    startWaiters_.clear();
    for (Started& started : waiters) started(true);
}

// Every address tried was claimed: nothing can be sent, so everything waiting ends now
// rather than at its own timeout, and whatever is asked later fails at once.
void NodeNetwork::failStart() {
    if (started_ || startFailure_ != 0) return;
    startFailure_ = kErrNoAddress;
    for (TimerId timer : {gateTimer_, noRouterTimer_, zoneTimer_}) node_.timers().cancel(timer);
    gateTimer_ = noRouterTimer_ = zoneTimer_ = 0;
    auto waiters = std::move(startWaiters_);
    startWaiters_.clear();
    for (Started& started : waiters) started(false);
}

void NodeNetwork::whenStarted(Started started) {
    // A node that started and then lost its service is not started any more.
    if (started_ || startFailure_ != 0)
        started(started_ && startFailure_ == 0);
    else
        startWaiters_.push_back(std::move(started));
}

std::optional<NodeInfo> NodeNetwork::nodeInfo() const {
    if (!started_) return std::nullopt;
    NodeInfo info;
    info.network = node_.thisNet();
    info.node = node_.nodeId();
    info.hasRouter = rtmp_.hasRouter();
    // An extended cable has the range its router announced; a LocalTalk cable is one
    // network, its range that number alone.
    const auto range = routerRange();
    info.cableRangeKnown = range.has_value();
    info.rangeFirst = range ? range->first : info.network;
    info.rangeLast = range ? range->last : info.network;
    if (node_.isExtended() && node_.cableRange()) {
        info.rangeFirst = node_.cableRange()->first;
        info.rangeLast = node_.cableRange()->last;
    }
    // GetNetInfo names an EtherTalk node's zone even before RTMP names the router.
    info.zone = info.hasRouter || node_.isExtended() ? zone_ : std::string();
    info.zoneUnreadable = info.zone.empty() && zoneUnreadable_;
    return info;
}

// Zone list --------------------------------------------------------------------------------

OperationId NodeNetwork::zoneList(ZonesDone done) {
    return listZones([] { return &ZipClient::getZoneList; }, std::move(done));
}

OperationId NodeNetwork::localZones(ZonesDone done) {
    // Chosen once started, when the router has said what kind of cable this is: a LocalTalk
    // cable has one zone, the one GetMyZone names.
    return listZones(
        [this]() -> ZipOperation {
            return routerRange() || node_.isExtended() ? &ZipClient::getLocalZones : &ZipClient::getMyZone;
        },
        std::move(done));
}

OperationId NodeNetwork::listZones(std::function<ZipOperation()> choose, ZonesDone done) {
    const OperationId id = nextOperation_++;
    zoneListings_.emplace(id, ZoneListing{std::make_unique<ZipClient>(node_, timing_.zip), std::move(done)});
    whenStarted([this, id, choose = std::move(choose)](bool ok) mutable {
        const auto found = zoneListings_.find(id);
        if (found == zoneListings_.end()) return;
        if (!ok) {
            ZonesDone failed = std::move(found->second.done);
            zoneListings_.erase(found);
            failed(startFailure_, {});
            return;
        }
        ZipClient& client = *found->second.client;
        (client.*choose())([this, id](ZipStatus status) {
            const auto listing = zoneListings_.find(id);
            if (listing == zoneListings_.end()) return;
            std::vector<std::string> zones =
                status == ZipStatus::Ok ? listing->second.client->zones() : std::vector<std::string>{};
            noteAtp("zone list", zoneResult(status), listing->second.client->atpCounters());
            ZonesDone finished = std::move(listing->second.done);
            zoneListings_.erase(listing); // the client allows it from its own completion
            finished(zoneResult(status), std::move(zones));
        });
    });
    return id;
}

// NBP look-up ------------------------------------------------------------------------------

OperationId NodeNetwork::lookup(const nbp::NbpName& pattern, const LookupParameters& parameters, TupleFound found,
                                LookupDone done) {
    const OperationId id = nextOperation_++;
    lookups_.emplace(id, Lookup{std::make_unique<NbpLookup>(node_), std::move(found), std::move(done)});
    whenStarted([this, id, pattern, parameters](bool ok) {
        if (ok) {
            startLookup(id, pattern, parameters);
            return;
        }
        const auto entry = lookups_.find(id);
        if (entry == lookups_.end()) return;
        LookupDone failed = std::move(entry->second.done);
        lookups_.erase(entry);
        if (failed) failed(startFailure_);
    });
    return id;
}

void NodeNetwork::startLookup(OperationId id, const nbp::NbpName& pattern, const LookupParameters& parameters) {
    const auto entry = lookups_.find(id);
    if (entry == lookups_.end()) return;
    NbpLookupOptions options;
    options.interval = parameters.retryInterval;
    options.transmissions = 1 + std::max(0, parameters.retries);
    options.maxTuples = parameters.maxTuples;
    options.extendedCable = routerRange().has_value();
    if (node_.isExtended()) options.ownZone = zone_;
    // zone_ is kept only while it is this node's: cleared when a LocalTalk cable's router goes.
    options.knownZone = zone_;
    const bool started = entry->second.lookup->start(pattern, options, [this, id, pattern](NbpLookupStatus status) {
        const auto finished = lookups_.find(id);
        if (finished == lookups_.end()) return;
        nbpRequestsSent_ += finished->second.lookup->requestsSent();
        if (DebugLog::enabled()) DebugLog::note(lookupNote(pattern, *finished->second.lookup, node_, nbpRequestsSent_));
        const std::vector<nbp::NbpTuple> results = finished->second.lookup->results();
        const TupleFound found = std::move(finished->second.found);
        const LookupDone done = std::move(finished->second.done);
        lookups_.erase(finished); // the look-up allows it from its own completion
        for (const nbp::NbpTuple& tuple : results) {
            if (found) found(tuple);
        }
        if (done) done(status == NbpLookupStatus::BadReply ? kErrBadReply : kOk);
    });
    if (!started) {
        const LookupDone done = std::move(entry->second.done);
        lookups_.erase(entry);
        if (done) done(kOk);
    }
}

// PAP status -------------------------------------------------------------------------------

OperationId NodeNetwork::papStatus(const DdpAddress& printer, Duration patience, StatusDone done) {
    const OperationId id = nextOperation_++;
    statusQueries_[id].done = std::move(done);
    // Tries one retry interval apart, as many as fit in the patience; the usual at least.
    const int retries = std::max(timing_.papRetries, static_cast<int>(patience / timing_.papRetryInterval) - 1);
    if (startFailure_ != 0) {
        failStatusLater(id, startFailure_);
        return id;
    }
    if (started_) {
        sendStatus(id, printer, retries);
        return id;
    }
    // Nothing can leave a node that is still starting: the query waits for the start, and
    // the wait comes out of its own budget, so a caller never waits longer than usual.
    const Duration budget = timing_.papRetryInterval * (retries + 1);
    const SteadyTime deadline = node_.clock().now() + budget;
    statusQueries_[id].timer = node_.timers().scheduleAfter(budget, [this, id] { finishStatus(id, kErrNotFound); });
    whenStarted([this, id, printer, deadline, retries](bool ok) {
        if (ok)
            sendQueuedStatus(id, printer, deadline, retries);
        else
            finishStatus(id, startFailure_);
    });
    return id;
}

void NodeNetwork::sendQueuedStatus(OperationId id, const DdpAddress& printer, SteadyTime deadline, int retries) {
    const auto query = statusQueries_.find(id);
    if (query == statusQueries_.end()) return; // cancelled, or out of time already
    node_.timers().cancel(query->second.timer);
    query->second.timer = 0;
    // As many tries as still fit before the deadline; at least one.
    const Duration left = deadline - node_.clock().now();
    const auto fitting = static_cast<int>(left / timing_.papRetryInterval);
    sendStatus(id, printer, std::clamp(fitting - 1, 0, retries));
}

void NodeNetwork::sendStatus(OperationId id, const DdpAddress& printer, int retries) {
    StatusQuery& query = statusQueries_[id];
    query.client = std::make_unique<PapStatusClient>(node_, PapStatusOptions{timing_.papRetryInterval, retries});
    const bool sent = query.client->start(printer, [this, id, printer](PapStatusResult result) {
        const auto finished = statusQueries_.find(id);
        if (finished == statusQueries_.end()) return;
        const int status = result == PapStatusResult::Ok         ? kOk
                           : result == PapStatusResult::BadReply ? kErrBadReply
                                                                 : kErrNotFound;
        noteAtp("status of " + addressText(printer), status, finished->second.client->atpCounters());
        // The client allows its end from its own completion.
        finishStatus(id, status, status == kOk ? finished->second.client->statusText() : std::string());
    });
    if (!sent) failStatusLater(id, kErrNotFound);
}

void NodeNetwork::noteAtp(const std::string& what, int result, const AtpRequesterCounters& sent) {
    addCounts(atpSent_, sent);
    if (DebugLog::enabled()) DebugLog::note(atpNote(what, result, sent, atpSent_));
}

void NodeNetwork::failStatusLater(OperationId id, int result) {
    // Could not even be sent (a bad address, no free socket): report it from a timer, never
    // from inside the caller's own call.
    statusQueries_[id].timer =
        node_.timers().scheduleAfter(Duration::zero(), [this, id, result] { finishStatus(id, result); });
}

void NodeNetwork::finishStatus(OperationId id, int result, std::string status) {
    const auto query = statusQueries_.find(id);
    if (query == statusQueries_.end()) return;
    StatusDone done = std::move(query->second.done);
    statusQueries_.erase(query);
    done(result, std::move(status));
}

// Cancelling -------------------------------------------------------------------------------

void NodeNetwork::cancel(OperationId id) {
    zoneListings_.erase(id); // a client or look-up destroyed never calls back
    lookups_.erase(id);
    if (auto found = statusQueries_.find(id); found != statusQueries_.end()) {
        node_.timers().cancel(found->second.timer);
        statusQueries_.erase(found); // a client destroyed never calls back
    }
}

} // namespace appletalk::runtime
