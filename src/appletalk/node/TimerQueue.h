// SPDX-License-Identifier: MIT
// One-shot timers fired when polled, on the time of an injectable clock. Nothing fires on its
// own: the owner polls (its thread's loop, or a test stepping a ManualClock), so every timer
// runs on the thread that owns the protocol state it touches.
#pragma once

#include "appletalk/node/Clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

namespace appletalk {

// 0 is never a timer's id, so it can stand for "no timer".
using TimerId = std::uint64_t;

class TimerQueue {
public:
    using Callback = std::function<void()>;

    explicit TimerQueue(const Clock& clock);
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;

    const Clock& clock() const { return clock_; }

    TimerId scheduleAt(SteadyTime when, Callback callback);
    TimerId scheduleAfter(Duration delay, Callback callback);
    // False when the timer already fired, was cancelled, or never existed.
    bool cancel(TimerId id);
    bool isScheduled(TimerId id) const;

    // Fires every timer due by now, earliest first (same time: in the order scheduled).
    // A timer scheduled by a callback fires on a later poll, so a callback that re-arms
    // itself with no delay cannot spin this call forever. Returns how many fired.
    std::size_t poll();

    std::optional<SteadyTime> nextDeadline() const;
    std::size_t size() const { return timers_.size(); }

private:
    using Key = std::pair<SteadyTime, TimerId>;

    const Clock& clock_;
    std::map<Key, Callback> timers_;
    std::unordered_map<TimerId, SteadyTime> deadlines_;
    TimerId nextId_ = 1;
};

} // namespace appletalk
