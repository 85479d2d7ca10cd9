// SPDX-License-Identifier: MIT
#include "appletalk/node/TimerQueue.h"

#include <vector>

namespace appletalk {

TimerQueue::TimerQueue(const Clock& clock) : clock_(clock) {}

TimerId TimerQueue::scheduleAt(SteadyTime when, Callback callback) {
    const TimerId id = nextId_++;
    timers_.emplace(Key{when, id}, std::move(callback));
    deadlines_.emplace(id, when);
    return id;
}

TimerId TimerQueue::scheduleAfter(Duration delay, Callback callback) {
    return scheduleAt(clock_.now() + delay, std::move(callback));
}

bool TimerQueue::cancel(TimerId id) {
    const auto found = deadlines_.find(id);
    if (found == deadlines_.end()) return false;
    timers_.erase(Key{found->second, id});
    deadlines_.erase(found);
    return true;
}

bool TimerQueue::isScheduled(TimerId id) const { return deadlines_.count(id) != 0; }

std::size_t TimerQueue::poll() {
    // Taken before firing anything: what a callback schedules waits for the next poll.
    const SteadyTime now = clock_.now();
    std::vector<Key> due;
    for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= now; ++it) due.push_back(it->first);
    std::size_t fired = 0;
    for (const Key& key : due) {
        const auto found = timers_.find(key);
        if (found == timers_.end()) continue; // cancelled by an earlier callback
        Callback callback = std::move(found->second);
        timers_.erase(found);
        deadlines_.erase(key.second);
        ++fired;
        callback();
    }
    return fired;
}

std::optional<SteadyTime> TimerQueue::nextDeadline() const {
    if (timers_.empty()) return std::nullopt;
    return timers_.begin()->first.first;
}

} // namespace appletalk
