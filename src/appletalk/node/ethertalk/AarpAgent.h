// SPDX-License-Identifier: MIT
// AARP for one node on an EtherTalk cable. It acquires the node's AppleTalk address (a
// tentative address is probed ten times, 200 ms apart, and given up for another when anyone
// answers for it or probes for it too, the next one a probe interval later; after a bounded
// number of addresses it gives up), defends it ever after, answers Requests for it, and maps
// AppleTalk addresses on the cable to hardware addresses: from a bounded cache whose
// entries age out, filled by Responses, by the senders of Requests and by datagrams heard
// straight from their sender (never by Probes, whose address is not yet anyone's).
// Datagrams for an address not yet known wait for its Response; when nobody answers they
// go out to the AppleTalk broadcast, so a node that cannot answer AARP still gets them.
#pragma once

#include "appletalk/node/NetworkRange.h"
#include "appletalk/node/TimerQueue.h"
#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <vector>

namespace appletalk {

struct AarpTiming {
    int probeCount = 10;
    Duration probeInterval = std::chrono::milliseconds(200);
    // Tentative addresses tried before acquisition fails. A start-up range holds over 64,000
    // addresses, so even a crowded cable rarely costs more than a few tries; this many
    // conflicts in a row means a station answers for every address (broken or squatting).
    // At one probe interval per conflict the failure comes within about 6.4 s.
    int addressLimit = 32;
    int requestCount = 3; // tries before a datagram goes out by broadcast
    Duration requestInterval = std::chrono::milliseconds(200);
    Duration entryLifetime = std::chrono::seconds(60);
    std::size_t cacheLimit = 256;
    std::size_t queueLimit = 16; // datagrams waiting on one address; the oldest go first
};

struct AarpCounters {
    std::uint64_t probes = 0; // Probes sent
    std::uint64_t conflicts = 0; // tentative addresses given up
    std::uint64_t defended = 0; // Requests and Probes for our address answered
    std::uint64_t resolved = 0; // Responses that filled the cache
    std::uint64_t gleaned = 0; // mappings learnt from datagrams
    std::uint64_t broadcastFallbacks = 0;
    std::uint64_t queueDropped = 0;
};

class AarpAgent {
public:
    using SendFrame = std::function<void(const EtherTalkFrame&)>;
    using Acquired = std::function<void(NodeAddress)>;
    using Failed = std::function<void()>;

    AarpAgent(TimerQueue& timers, MacAddress hardware, std::uint64_t seed, SendFrame send, AarpTiming timing = {});
    ~AarpAgent();
    AarpAgent(const AarpAgent&) = delete;
    AarpAgent& operator=(const AarpAgent&) = delete;

    // Probes for an address in `range` (`preferred` first when it lies there); `done` runs
    // from a timer once one is ours. An address held before stays in use (and defended)
    // until then, so nothing addressed to it meanwhile is lost.
    void acquire(NetworkRange range, NodeAddress preferred, Acquired done);
    // Runs, from a timer, when every address tried was claimed (AarpTiming::addressLimit).
    // An address held before stays in use.
    void setFailed(Failed failed) { onFailed_ = std::move(failed); }
    bool isAcquired() const { return acquired_; }
    bool hasFailed() const { return failed_; }
    // Tentative addresses tried by the last acquire(), the one probed now among them.
    int addressesTried() const { return addressesTried_; }
    bool isProbing() const { return probeTimer_ != 0; }
    NodeAddress address() const { return acquired_ ? address_ : NodeAddress{}; }
    const MacAddress& hardwareAddress() const { return hardware_; }

    void handle(const AarpPacket& packet);
    // A datagram that came straight from its sender (hop count 0, from this cable). A sender
    // of network 0 named none (a LocalTalk node behind a bridge that passes network 0 on):
    // it is kept under network 0, for replies to that address (hardwareFor).
    void glean(NodeAddress sender, const MacAddress& hardware);
    // The hardware address known for `address` now, without asking AARP.
    std::optional<MacAddress> hardwareFor(NodeAddress address) const;

    // Sends a DDP datagram to the node at `hop` on this cable, resolving it first if needed.
    void sendTo(NodeAddress hop, std::vector<std::uint8_t> datagram);
    void sendToHardware(const MacAddress& destination, std::vector<std::uint8_t> datagram);

    std::size_t cacheSize() const { return cache_.size(); }
    const AarpCounters& counters() const { return counters_; }

private:
    struct Entry {
        MacAddress hardware;
        SteadyTime expires;
    };
    struct Pending {
        std::vector<std::vector<std::uint8_t>> datagrams;
        int requestsLeft = 0;
        TimerId timer = 0;
    };

    void probe();
    void conflict();
    void fail();
    NodeAddress pickCandidate();
    void learn(NodeAddress address, const MacAddress& hardware);
    void request(NodeAddress hop);
    void giveUp(NodeAddress hop);
    void sendAarp(AarpFunction function, const MacAddress& to, const MacAddress& targetHardware, NodeAddress target);
    bool isOwn(NodeAddress address) const { return address == candidate_ || (acquired_ && address == address_); }

    TimerQueue& timers_;
    MacAddress hardware_;
    std::mt19937_64 random_;
    SendFrame send_;
    AarpTiming timing_;
    NetworkRange range_;
    Acquired onAcquired_;
    Failed onFailed_;
    NodeAddress candidate_; // the tentative address being probed
    NodeAddress address_; // the address held, once acquired_
    bool acquired_ = false;
    bool failed_ = false;
    int probesSent_ = 0;
    int addressesTried_ = 0;
    TimerId probeTimer_ = 0;
    std::map<NodeAddress, Entry> cache_;
    std::map<NodeAddress, Pending> pending_;
    AarpCounters counters_;
};

} // namespace appletalk
