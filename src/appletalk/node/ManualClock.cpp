// SPDX-License-Identifier: MIT
#include "appletalk/node/ManualClock.h"

namespace appletalk {

ManualClock::ManualClock() : ticks_(Duration(std::chrono::hours(1)).count()) {}

SteadyTime ManualClock::now() const { return SteadyTime(Duration(ticks_.load(std::memory_order_acquire))); }

void ManualClock::advance(Duration step) {
    if (step > Duration::zero()) ticks_.fetch_add(step.count(), std::memory_order_acq_rel);
}

void ManualClock::advanceTo(SteadyTime time) {
    const auto target = time.time_since_epoch().count();
    auto current = ticks_.load(std::memory_order_acquire);
    while (current < target && !ticks_.compare_exchange_weak(current, target, std::memory_order_acq_rel)) {}
}

} // namespace appletalk
