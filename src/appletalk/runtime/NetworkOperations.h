// SPDX-License-Identifier: MIT
// What the library asks of the network, in the shape its functions need: the zone list, an
// NBP look-up, a PAP status query and what the node knows of itself. Everything is called
// and calls back on the stack's thread. Each started operation has an id (never 0) that
// cancel() takes; a cancelled operation never calls back.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/protocols/ddp/DdpAddress.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nbp/NbpTuple.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::runtime {

using OperationId = std::uint64_t;

// What the node knows of its place on the network once it has started.
struct NodeInfo {
    std::uint16_t network = 0; // THIS-NET; 0 with no router
    std::uint8_t node = 0;
    std::uint16_t rangeFirst = 0;
    std::uint16_t rangeLast = 0;
    // A router announced the range (an extended cable); else the range is THIS-NET alone.
    bool cableRangeKnown = false;
    std::string zone; // empty when unknown
    bool hasRouter = false;
    // The zone is unknown because the router's answer naming it could not be read.
    bool zoneUnreadable = false;
};

struct LookupParameters {
    Duration retryInterval;
    int retries = 0; // resends after the first request
    std::size_t maxTuples = 0;
};

class NetworkOperations {
public:
    using Started = std::function<void(bool ok)>;
    using ZonesDone = std::function<void(int status, std::vector<std::string> zones)>;
    using TupleFound = std::function<void(const nbp::NbpTuple& tuple)>;
    // kOk, or kErrBadReply when nothing was found but answers came that could not be read.
    using LookupDone = std::function<void(int status)>;
    // kOk with the printer's status text; kErrNotFound when it did not answer, kErrBadReply
    // when what it answered could not be read.
    using StatusDone = std::function<void(int result, std::string status)>;

    virtual ~NetworkOperations() = default;

    // Runs once the node has its address and has looked for a router and its zone (at once
    // when it already has); ok is false when the node cannot work at all (no link, no
    // address: startFailure() says which).
    virtual void whenStarted(Started started) = 0;
    // Nothing until started.
    virtual std::optional<NodeInfo> nodeInfo() const = 0;
    // Why a node that has a link cannot start (kErrNoAddress); 0 while it can, and where
    // there is no link at all (every operation then says kErrNoNetwork).
    virtual int startFailure() const { return 0; }
    // Runs once if the network is lost for good after the start (the host's node service
    // went away): startFailure() then says why. Never runs for a network of this process's own.
    virtual void whenLost(std::function<void()> /*lost*/) {}

    // The zones of the internet from the router; a negative status when there is none.
    virtual OperationId zoneList(ZonesDone done) = 0;
    // The zones of this node's cable: its router's list on an extended cable, the node's own
    // zone on LocalTalk; a negative status when there is no router.
    virtual OperationId localZones(ZonesDone done) = 0;
    // Every distinct reply tuple as it arrives, then done when the retries have run out.
    virtual OperationId lookup(const nbp::NbpName& pattern, const LookupParameters& parameters, TupleFound found,
                               LookupDone done) = 0;
    // The printer's status text, or why there is none, within the retry budget: the usual few
    // tries, or as many as fit in `patience` when that is longer.
    virtual OperationId papStatus(const DdpAddress& printer, Duration patience, StatusDone done) = 0;
    OperationId papStatus(const DdpAddress& printer, StatusDone done) {
        return papStatus(printer, Duration::zero(), std::move(done));
    }

    virtual void cancel(OperationId id) = 0;
};

} // namespace appletalk::runtime
