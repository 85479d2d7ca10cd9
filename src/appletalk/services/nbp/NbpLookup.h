// SPDX-License-Identifier: MIT
// One NBP look-up of a pattern (obj:type@zone). With a router known it sends a BrRq to
// A-ROUTER's socket 2 with the zone; without one it broadcasts a LkUp with zone "*" (and asks
// this node's own registry too, since a broadcast does not come back to its sender). On an
// extended cable "*" is replaced by the node's own zone when it knows one. The
// request is repeated with the same NBP ID every interval; LkUp-Replies are collected without
// duplicates (same net, node, socket and enumerator) until the last interval ends or the
// maximum number of tuples is reached. Only tuples that answer the pattern are kept: object
// and type under NBP's wildcards and case fold, and a zone of "*" (or none), or the zone
// asked for; a reply naming another device is dropped and counted. Results are readable
// while it runs. A look-up that
// finds nothing ends with BadReply instead of Done when it received answers it could not
// read: unreadable packets or impossible tuples at its socket, or frames addressed to this
// node that could not be read at all.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/nbp/NbpZoneRule.h"
#include "appletalk/services/nbp/TupleAddressSet.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace appletalk {

enum class NbpLookupStatus {
    Idle,
    Running,
    Done, // the last interval ended
    BadReply, // the last interval ended with nothing found, but answers came that could not be read
    MaxReached, // stopped early: as many tuples as asked for
    Cancelled,
    Failed, // could not send: no free socket, no node id, or nothing left the node
};

struct NbpLookupOptions {
    Duration interval = std::chrono::seconds(1);
    int transmissions = 3; // how many times the request is sent, 1 or more
    std::size_t maxTuples = 0; // 0: no limit
    bool extendedCable = false; // this node's cable is extended: a reply's network 0 is impossible
    // On an extended cable, this node's zone: it goes where the pattern says "*" (or nothing),
    // as routers there refuse a BrRq that names no zone. Empty while the zone is unknown.
    std::string ownZone = {};
    // This node's zone where it is known, on any cable: a reply to a pattern for "*" naming
    // another zone is dropped. Empty: the zone is unknown and a reply may name any.
    std::string knownZone = {};
};

class NbpLookup {
public:
    static constexpr std::uint8_t kNamesInformationSocket = 2;

    using Completion = std::function<void(NbpLookupStatus)>;

    explicit NbpLookup(Node& node);
    ~NbpLookup();
    NbpLookup(const NbpLookup&) = delete;
    NbpLookup& operator=(const NbpLookup&) = delete;

    // Starts a look-up; false when one is running or the pattern is not a valid NBP pattern
    // (a field empty or over 32 bytes, two "≈" in one field), or the options are (no
    // transmission, an interval that is not positive). The completion runs once, later,
    // unless cancel() comes first. Earlier results are cleared.
    bool start(const nbp::NbpName& pattern, NbpLookupOptions options, Completion completion);
    // Stops without calling back; the results stay readable.
    void cancel();

    bool isRunning() const { return status_ == NbpLookupStatus::Running; }
    NbpLookupStatus status() const { return status_; }
    // The entities found so far, in the order they answered; a zone of "*" replaced by the
    // zone the request carried ("*" itself when no router is known).
    const std::vector<nbp::NbpTuple>& results() const { return results_; }
    std::uint8_t nbpId() const { return id_; }
    std::size_t requestsSent() const { return requestsSent_; }
    // Reply tuples dropped because no device could have them: an empty or wildcard name, a
    // NUL in a name, node or socket 0 or 255, network 0 on an extended cable.
    std::size_t malformedReplies() const { return malformedReplies_; }
    // Possible reply tuples dropped because they do not answer the pattern: another object,
    // type or zone than the one asked for.
    std::size_t mismatchedReplies() const { return mismatchedReplies_; }
    // How long after the first request the last entity found so far answered (zero when none).
    Duration lastFoundAfter() const { return lastFoundAfter_; }
    // Packets at the look-up's socket that were no NBP reply that could be read.
    std::size_t unreadablePackets() const { return unreadablePackets_; }

private:
    void transmit();
    bool sendRequest();
    void receive(const Datagram& datagram);
    bool add(nbp::NbpTuple tuple); // true when that finished the look-up
    bool answersPattern(const nbp::NbpName& name) const;
    void finish(NbpLookupStatus status);

    Node& node_;
    std::uint8_t socket_ = 0;
    std::uint8_t id_ = 0;
    nbp::NbpName pattern_;
    std::string askedZone_;
    NbpLookupOptions options_;
    Completion completion_;
    NbpLookupStatus status_ = NbpLookupStatus::Idle;
    int transmissionsLeft_ = 0;
    bool anySent_ = false;
    TimerId timer_ = 0;
    std::vector<nbp::NbpTuple> results_;
    TupleAddressSet seen_;
    std::size_t requestsSent_ = 0;
    std::size_t malformedReplies_ = 0;
    std::size_t mismatchedReplies_ = 0;
    nbp::NbpZoneRule replyZones_ = nbp::NbpZoneRule::anyZone(); // the zones a reply may name
    SteadyTime startedAt_{};
    Duration lastFoundAfter_{};
    std::size_t unreadablePackets_ = 0;
    std::uint64_t unreadableBefore_ = 0; // the node's count of unreadable frames at the start
};

} // namespace appletalk
