// SPDX-License-Identifier: MIT
// Drives nodes on virtual time, without a thread: the test's own thread polls every node
// until nothing is left to do, then moves a ManualClock straight to the next deadline. A
// two-second node-id acquisition takes microseconds, and every run is the same.
#pragma once

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Pollable.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace appletalk {

class VirtualTimeDriver {
public:
    explicit VirtualTimeDriver(ManualClock& clock);

    ManualClock& clock() { return clock_; }
    void add(Pollable& pollable);
    void remove(Pollable& pollable);

    // Polls until a whole pass finds nothing to do, without moving the clock. Returns the
    // number of passes that did work. Throws std::runtime_error when the nodes never settle
    // (something re-arms itself with no delay forever).
    std::size_t runUntilIdle();
    // Moves time forward by `duration`, stopping at every deadline on the way.
    void advance(Duration duration);
    // Moves time deadline by deadline until `done` holds (true) or `limit` has passed (false).
    bool advanceUntil(const std::function<bool()>& done, Duration limit);

private:
    std::optional<SteadyTime> nextDeadline() const;

    ManualClock& clock_;
    std::vector<Pollable*> pollables_;
};

} // namespace appletalk
