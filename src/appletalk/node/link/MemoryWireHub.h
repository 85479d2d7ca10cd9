// SPDX-License-Identifier: MIT
// The state one in-process wire shares with its endpoints. Held by shared pointer from the
// wire and from every endpoint, so they may be destroyed in any order; one mutex guards it
// all, because endpoints may be polled from different threads. Receivers are indexed by the
// node address they hear, so a frame for one node costs the same on a wire of five
// thousand endpoints as on a wire of five.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/node/link/WireCounters.h"
#include "appletalk/node/link/WireImpairments.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <utility>
#include <vector>

namespace appletalk {

class MemoryWireHub {
public:
    using EndpointId = std::uint64_t;

    MemoryWireHub(const Clock& clock, std::uint64_t seed);

    const Clock& clock() const { return clock_; }

    EndpointId join();
    void leave(EndpointId endpoint);
    void setReceiving(EndpointId endpoint, Link::WakeHandler wake);
    void stopReceiving(EndpointId endpoint);
    // From now on, until it stops receiving, `endpoint` hears only frames whose LLAP
    // destination is `node` or the broadcast, as a LocalTalk controller that recognises its
    // own address.
    void setNodeAddress(EndpointId endpoint, std::uint8_t node);

    // One received frame; the receivers of a frame share its bytes, which nobody changes.
    using Frame = std::shared_ptr<const std::vector<std::uint8_t>>;

    // Puts `frame` on the way to every other receiving endpoint.
    bool transmit(EndpointId sender, std::span<const std::uint8_t> frame);
    // Moves the frames due for `endpoint` by now to the end of `due`, in arrival order.
    void takeDue(EndpointId endpoint, std::vector<Frame>& due);
    std::optional<SteadyTime> nextArrival(EndpointId endpoint) const;
    // Copies for `endpoint` that the impairments lost.
    std::uint64_t lostFor(EndpointId endpoint) const;

    void setImpairments(const WireImpairments& impairments);
    WireCounters counters() const;
    std::size_t endpointCount() const;

private:
    // Ordered by due time, then by the order sent, so equal delays keep their order. Without
    // jitter every frame is due after the last, so a frame almost always joins at the back.
    using Key = std::pair<SteadyTime, std::uint64_t>;
    struct Pending {
        Key key;
        Frame frame;
    };
    static constexpr int kEveryAddress = -1;
    struct Inbox {
        EndpointId id = 0;
        bool receiving = false;
        int address = kEveryAddress;
        Link::WakeHandler wake;
        std::deque<Pending> frames;
        std::uint64_t lost = 0;
    };

    Inbox* find(EndpointId endpoint);
    const Inbox* find(EndpointId endpoint) const;
    // The receiving endpoints that hear `address` (kEveryAddress: those that hear all).
    std::vector<EndpointId>& listeners(int address);
    void listen(const Inbox& inbox);
    void unlisten(const Inbox& inbox);
    void deliver(Inbox& inbox, const Frame& frame, SteadyTime now);
    void enqueue(Inbox& inbox, const Frame& frame, SteadyTime now);
    // Draws only for an impairment that is set, so an unimpaired wire spends nothing on it.
    bool happens(double rate);

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::map<EndpointId, Inbox> inboxes_;
    // Receiving endpoints by the address they hear, each list ascending by id, so a frame
    // reaches its receivers (and draws its impairments) in the order the endpoints joined.
    std::array<std::vector<EndpointId>, 256> byAddress_;
    std::vector<EndpointId> hearingAll_;
    std::size_t receivingCount_ = 0;
    EndpointId nextEndpoint_ = 1;
    std::uint64_t nextSequence_ = 0;
    std::mt19937_64 random_;
    WireImpairments impairments_;
    WireCounters counters_;
};

} // namespace appletalk
