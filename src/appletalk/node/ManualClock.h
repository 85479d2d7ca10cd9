// SPDX-License-Identifier: MIT
// A clock that moves only when told to. Tests step it; it may be read from any thread
// (a node driven by an EventLoop reads it there while the test advances it).
#pragma once

#include "appletalk/node/Clock.h"

#include <atomic>

namespace appletalk {

class ManualClock final : public Clock {
public:
    // Starts at an arbitrary non-zero point so code that treats the epoch as "never" is caught.
    ManualClock();

    SteadyTime now() const override;
    // Negative steps are ignored: a steady clock never goes back.
    void advance(Duration step);
    // Moves to `time` if it lies ahead; never moves back.
    void advanceTo(SteadyTime time);

private:
    std::atomic<Duration::rep> ticks_;
};

} // namespace appletalk
