// SPDX-License-Identifier: MIT
#include "appletalk/node/VirtualTimeDriver.h"

#include <algorithm>
#include <stdexcept>

namespace appletalk {

namespace {

constexpr std::size_t kMaxPasses = 100000;

} // namespace

VirtualTimeDriver::VirtualTimeDriver(ManualClock& clock) : clock_(clock) {}

void VirtualTimeDriver::add(Pollable& pollable) { pollables_.push_back(&pollable); }

void VirtualTimeDriver::remove(Pollable& pollable) {
    pollables_.erase(std::remove(pollables_.begin(), pollables_.end(), &pollable), pollables_.end());
}

std::size_t VirtualTimeDriver::runUntilIdle() {
    for (std::size_t passes = 0; passes < kMaxPasses; ++passes) {
        bool worked = false;
        // A copy: a handler may remove a pollable while it is being polled.
        const auto current = pollables_;
        for (Pollable* pollable : current) {
            if (std::find(pollables_.begin(), pollables_.end(), pollable) == pollables_.end()) continue;
            if (pollable->poll()) worked = true;
        }
        if (!worked) return passes;
    }
    throw std::runtime_error("VirtualTimeDriver: the nodes never became idle");
}

void VirtualTimeDriver::advance(Duration duration) {
    const SteadyTime target = clock_.now() + duration;
    runUntilIdle();
    std::size_t stalled = 0;
    for (auto next = nextDeadline(); next && *next <= target; next = nextDeadline()) {
        // A deadline that polling never clears would hold time still forever.
        stalled = *next <= clock_.now() ? stalled + 1 : 0;
        if (stalled > kMaxPasses) throw std::runtime_error("VirtualTimeDriver: a deadline is never served");
        clock_.advanceTo(*next);
        runUntilIdle();
    }
    clock_.advanceTo(target);
    runUntilIdle();
}

bool VirtualTimeDriver::advanceUntil(const std::function<bool()>& done, Duration limit) {
    const SteadyTime end = clock_.now() + limit;
    runUntilIdle();
    std::size_t stalled = 0;
    while (!done()) {
        const auto next = nextDeadline();
        stalled = next && *next <= clock_.now() ? stalled + 1 : 0;
        if (stalled > kMaxPasses) throw std::runtime_error("VirtualTimeDriver: a deadline is never served");
        if (!next || *next > end) {
            clock_.advanceTo(end);
            runUntilIdle();
            return done();
        }
        clock_.advanceTo(*next);
        runUntilIdle();
    }
    return true;
}

std::optional<SteadyTime> VirtualTimeDriver::nextDeadline() const {
    std::optional<SteadyTime> next;
    for (const Pollable* pollable : pollables_) {
        const auto deadline = pollable->nextDeadline();
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

} // namespace appletalk
