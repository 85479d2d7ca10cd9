// SPDX-License-Identifier: MIT
#include "appletalk/sim/PollGroup.h"

#include <algorithm>

namespace appletalk::sim {

void PollGroup::add(Pollable& member) {
    members_.push_back(&member);
    // Members wake the group's owner; the handler reads the current one at call time.
    member.setWakeHandler([mutex = wakeMutex_, wake = wake_] {
        std::lock_guard lock(*mutex);
        if (*wake) (*wake)();
    });
}

void PollGroup::remove(Pollable& member) {
    member.setWakeHandler(nullptr);
    members_.erase(std::remove(members_.begin(), members_.end(), &member), members_.end());
}

bool PollGroup::poll() {
    bool worked = false;
    // A copy: a member's handler may remove a member (a device going away).
    const auto current = members_;
    for (Pollable* member : current) {
        if (std::find(members_.begin(), members_.end(), member) == members_.end()) continue;
        if (member->poll()) worked = true;
    }
    return worked;
}

std::optional<SteadyTime> PollGroup::nextDeadline() const {
    std::optional<SteadyTime> next;
    for (const Pollable* member : members_) {
        const auto deadline = member->nextDeadline();
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

int PollGroup::waitHandle() const {
    for (const Pollable* member : members_)
        if (const int handle = member->waitHandle(); handle >= 0) return handle;
    return -1;
}

void PollGroup::setWakeHandler(std::function<void()> wake) {
    std::lock_guard lock(*wakeMutex_);
    *wake_ = std::move(wake);
}

} // namespace appletalk::sim
