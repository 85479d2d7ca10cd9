// The state one in-process wire shares with its endpoints. Held by shared pointer from the
// wire and from every endpoint, so they may be destroyed in any order; one mutex guards it
// all, because endpoints may be polled from different threads.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/node/link/WireCounters.h"
#include "appletalk/node/link/WireImpairments.h"

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

    // One received frame; the receivers of a frame share its bytes, which nobody changes.
    using Frame = std::shared_ptr<const std::vector<std::uint8_t>>;

    // Puts `frame` on the way to every other receiving endpoint.
    bool transmit(EndpointId sender, std::span<const std::uint8_t> frame);
    // Removes and returns the frames due for `endpoint` by now, in arrival order.
    std::vector<Frame> takeDue(EndpointId endpoint);
    std::optional<SteadyTime> nextArrival(EndpointId endpoint) const;

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
    struct Inbox {
        bool receiving = false;
        Link::WakeHandler wake;
        std::deque<Pending> frames;
    };

    void enqueue(Inbox& inbox, const Frame& frame, SteadyTime now);
    double chance();

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::map<EndpointId, Inbox> inboxes_;
    EndpointId nextEndpoint_ = 1;
    std::uint64_t nextSequence_ = 0;
    std::mt19937_64 random_;
    WireImpairments impairments_;
    WireCounters counters_;
};

} // namespace appletalk
