// SPDX-License-Identifier: MIT
// The library's network operations over one client node, built from the stack's services:
// the node's start-up (its address, the router its RTMP stub finds, its zone by ZIP
// GetMyZone, kept fresh), the zone list (a ZIP client per enumeration), NBP look-ups (an
// NbpLookup each) and printer status (a PapStatusClient each). Runs entirely on the thread
// that polls the node. On a node shared through the host's node service, the service does the
// start-up and keeps the router and zone: they are taken from what it says, and when it goes
// away everything in flight ends with kErrServiceGone.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/pap/PapStatusClient.h"
#include "appletalk/services/rtmp/RtmpStub.h"
#include "appletalk/services/zip/ZipClient.h"

#include <functional>
#include <map>
#include <memory>

namespace appletalk::runtime {

struct NodeNetworkTiming {
    RtmpStubOptions rtmp; // 3 requests 1 s apart, 50 s aging
    Duration zoneRefresh = std::chrono::seconds(60); // GetMyZone again while a router is known
    ZipClientOptions zip{std::chrono::seconds(1), 2};
    Duration papRetryInterval = std::chrono::seconds(1);
    int papRetries = 2; // 3 tries: 3 s before a printer counts as gone
};

// What an EtherTalk node keeps between runs, as Macs keep it: the address it last held and
// the zone it was in. Asked for again first at the next start.
struct ExtendedMemory {
    std::uint16_t network = 0;
    std::uint8_t node = 0;
    std::string zone;
    // Called once the node has its address and zone; may be empty.
    std::function<void(const ExtendedMemory&)> save;
};

class NodeNetwork final : public NetworkOperations {
public:
    using Gate = std::function<bool()>;

    // Starts the node (it must be polled from now on) and everything above it; with a gate,
    // the search for a router waits until the gate opens (the embedded network's router
    // holds its address), so the node does not conclude there is no router while the router
    // is still starting. The node's own address probes start at once.
    // On EtherTalk the node starts as an extended cable's nodes do: a provisional address,
    // GetNetInfo for the remembered zone, an address in the cable's range, the zone's multicast.
    NodeNetwork(Node& node, NodeNetworkTiming timing = {}, Gate gate = {}, ExtendedMemory memory = {});
    ~NodeNetwork() override;
    NodeNetwork(const NodeNetwork&) = delete;
    NodeNetwork& operator=(const NodeNetwork&) = delete;

    void whenStarted(Started started) override;
    std::optional<NodeInfo> nodeInfo() const override;
    int startFailure() const override { return startFailure_; }
    void whenLost(std::function<void()> lost) override;
    OperationId zoneList(ZonesDone done) override;
    OperationId localZones(ZonesDone done) override;
    OperationId lookup(const nbp::NbpName& pattern, const LookupParameters& parameters, TupleFound found,
                       LookupDone done) override;
    using NetworkOperations::papStatus;
    OperationId papStatus(const DdpAddress& printer, Duration patience, StatusDone done) override;
    void cancel(OperationId id) override;

private:
    struct StatusQuery {
        std::unique_ptr<PapStatusClient> client;
        TimerId timer = 0; // reports a query that could not be sent, or waited too long
        StatusDone done;
    };
    struct ZoneListing {
        std::unique_ptr<ZipClient> client;
        ZonesDone done;
    };
    struct Lookup {
        std::unique_ptr<NbpLookup> lookup;
        TupleFound found;
        LookupDone done;
    };

    void startShared(SharedNode& shared);
    void followShared();
    void serviceGone();
    // Ends every operation in flight with `result` (none of them calls back on its own after).
    void failInFlight(int result);
    // The range the router announced for this cable, by RTMP or through the service.
    std::optional<CableRange> routerRange() const;
    void startWhenOpen();
    void nodeReady();
    void routerChanged();
    void askMyZone();
    void finishStart();
    void failStart();
    void askNetInfo();
    void netInfoAnswered(ZipStatus status);
    void joinZone(const std::string& zone, const std::vector<std::uint8_t>& multicast);
    using ZipOperation = bool (ZipClient::*)(ZipClient::Completion);
    // One ZIP client operation for a zone enumeration, once the node has started.
    OperationId listZones(std::function<ZipOperation()> choose, ZonesDone done);
    void sendStatus(OperationId id, const DdpAddress& printer, int retries);
    void sendQueuedStatus(OperationId id, const DdpAddress& printer, SteadyTime deadline, int retries);
    void failStatusLater(OperationId id, int result);
    // Adds an ATP operation's counts to the totals and notes them for whoever debugs.
    void noteAtp(const std::string& what, int result, const AtpRequesterCounters& sent);
    void finishStatus(OperationId id, int result, std::string status = {});
    void startLookup(OperationId id, const nbp::NbpName& pattern, const LookupParameters& parameters);

    Node& node_;
    NodeNetworkTiming timing_;
    RtmpStub rtmp_;
    ZipClient myZone_;
    Gate gate_;
    TimerId gateTimer_ = 0;
    TimerId noRouterTimer_ = 0;
    TimerId zoneTimer_ = 0;
    bool started_ = false;
    int startFailure_ = 0; // a result from ApiResults.h once the start has failed
    std::vector<Started> startWaiters_;
    std::vector<std::function<void()>> lostWaiters_;
    std::string zone_;
    bool zoneUnreadable_ = false; // the last answer naming the zone could not be read
    ExtendedMemory memory_;
    ZipClient netInfo_;
    bool netInfoDone_ = false; // EtherTalk: GetNetInfo answered or given up, address settled
    std::optional<MacAddress> zoneGroup_;
    OperationId nextOperation_ = 1;
    std::map<OperationId, ZoneListing> zoneListings_;
    std::map<OperationId, Lookup> lookups_;
    std::map<OperationId, StatusQuery> statusQueries_;
    // Sent by the zone lists, status queries and look-ups that finished, for the debug notes.
    AtpRequesterCounters atpSent_;
    std::uint64_t nbpRequestsSent_ = 0;
};

} // namespace appletalk::runtime
