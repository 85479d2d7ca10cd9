// The library's network operations over one client node: the node's start-up (its address,
// the router found by RTMP, its zone by ZIP GetMyZone, kept fresh), the zone list (ZIP
// GetZoneList, paged), NBP look-ups (BrRq to the router, or LkUp broadcast with no router)
// and PAP SendStatus. Runs entirely on the thread that polls the node.
#pragma once

#include "appletalk/api/NetworkOperations.h"
#include "appletalk/node/Node.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/services/atp/AtpRequester.h"

#include <map>
#include <memory>
#include <set>
#include <tuple>

namespace appletalk::api {

struct NodeNetworkTiming {
    Duration rtmpRequestInterval = std::chrono::seconds(1);
    int rtmpRequests = 3;                                    // with no answer: no router
    Duration routerAge = std::chrono::seconds(50);           // silence after which A-ROUTER is forgotten
    Duration zoneRefresh = std::chrono::seconds(60);         // GetMyZone again while a router is known
    Duration zipRetryInterval = std::chrono::seconds(1);
    int zipRetries = 2;
    Duration papRetryInterval = std::chrono::seconds(1);
    int papRetries = 2;                                      // 3 tries: 3 s before a printer counts as gone
};

class NodeNetwork final : public NetworkOperations {
public:
    static constexpr std::uint8_t kRtmpSocket = 1;
    static constexpr std::uint8_t kNbpSocket = 2;
    static constexpr std::uint8_t kZipSocket = 6;

    using Gate = std::function<bool()>;

    // Starts the node (it must be polled from now on) and everything above it; with a gate,
    // only once the gate opens (the embedded network's router holds its address), so the
    // node does not conclude there is no router while the router is still starting.
    NodeNetwork(Node& node, NodeNetworkTiming timing = {}, Gate gate = {});
    ~NodeNetwork() override;
    NodeNetwork(const NodeNetwork&) = delete;
    NodeNetwork& operator=(const NodeNetwork&) = delete;

    void whenStarted(Started started) override;
    std::optional<NodeInfo> nodeInfo() const override;
    OperationId zoneList(ZonesDone done) override;
    OperationId lookup(const nbp::NbpName& pattern, const LookupParameters& parameters, TupleFound found,
                       LookupDone done) override;
    OperationId papStatus(const DdpAddress& printer, StatusDone done) override;
    void cancel(OperationId id) override;

private:
    struct ZoneListing {
        ZonesDone done;
        std::vector<std::string> zones;
        std::size_t received = 0;  // names the router sent, repeats included
        AtpRequester::Handle transaction = 0;
    };
    struct Lookup {
        nbp::NbpPacket request;
        DdpAddress destination;
        TupleFound found;
        LookupDone done;
        std::set<std::tuple<std::uint16_t, std::uint8_t, std::uint8_t, std::uint8_t>> seen;
        LookupParameters parameters;
        int sendsLeft = 0;
        TimerId timer = 0;
    };
    struct StatusQuery {
        AtpRequester::Handle transaction = 0;
        TimerId timer = 0;  // reports a query that could not be sent
    };

    void startWhenOpen();
    void nodeReady();
    void sendRtmpRequest();
    void receiveRtmp(const Datagram& datagram);
    void learnRouter(std::uint16_t network, std::uint8_t node, std::uint16_t first, std::uint16_t last);
    void ageRouter();
    void askMyZone();
    void finishStart();
    DdpAddress routerSocket(std::uint8_t socket) const;

    void requestZonePage(OperationId id, std::uint16_t startIndex);
    void zonePage(OperationId id, const AtpResult& result);
    void finishZones(OperationId id, int status);

    void sendLookup(OperationId id);
    void receiveNbp(const Datagram& datagram);

    Node& node_;
    NodeNetworkTiming timing_;
    AtpRequester atp_;
    Gate gate_;
    TimerId gateTimer_ = 0;
    std::uint8_t nbpSocket_ = 0;
    bool started_ = false;
    std::vector<Started> startWaiters_;
    int rtmpRequestsLeft_ = 0;
    TimerId rtmpTimer_ = 0;
    TimerId ageTimer_ = 0;
    TimerId zoneTimer_ = 0;
    AtpRequester::Handle myZoneTransaction_ = 0;
    bool hasRouter_ = false;
    std::uint16_t rangeFirst_ = 0;
    std::uint16_t rangeLast_ = 0;
    std::string zone_;
    OperationId nextOperation_ = 1;
    std::uint8_t nextNbpId_ = 1;
    std::map<OperationId, ZoneListing> zoneListings_;
    std::map<OperationId, Lookup> lookups_;
    std::map<OperationId, StatusQuery> statusQueries_;
};

} // namespace appletalk::api
