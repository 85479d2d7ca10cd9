// SPDX-License-Identifier: MIT
// Something that does its work when polled: a node, a simulated peer. The same object is
// driven by an EventLoop thread in the product and by a VirtualTimeDriver in tests.
#pragma once

#include "appletalk/node/Clock.h"

#include <functional>
#include <optional>

namespace appletalk {

class Pollable {
public:
    virtual ~Pollable() = default;

    // Does all work that is ready now (received frames, due timers); true if anything happened.
    virtual bool poll() = 0;
    // When polling next has something to do even without new input; nullopt when only input can.
    virtual std::optional<SteadyTime> nextDeadline() const = 0;
    // A descriptor that becomes readable when input arrives, or -1.
    virtual int waitHandle() const { return -1; }
    // Called, possibly from another thread, when input arrived that no descriptor signals.
    virtual void setWakeHandler(std::function<void()> wake) = 0;
};

} // namespace appletalk
