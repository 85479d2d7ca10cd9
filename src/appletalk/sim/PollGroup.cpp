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
    const auto found = std::find(members_.begin(), members_.end(), &member);
    if (found == members_.end()) return;
    if (polling_) {
        *found = nullptr;
        removed_ = true;
    } else {
        members_.erase(found);
    }
}

void PollGroup::clear() {
    for (Pollable* member : members_)
        if (member != nullptr) member->setWakeHandler(nullptr);
    if (polling_) {
        std::fill(members_.begin(), members_.end(), nullptr);
        removed_ = true;
    } else {
        members_.clear();
    }
}

std::size_t PollGroup::size() const {
    return static_cast<std::size_t>(
        std::count_if(members_.begin(), members_.end(), [](Pollable* member) { return member != nullptr; }));
}

bool PollGroup::poll() {
    // A member's handler may remove members (a device going away) or add some: by index,
    // over what is there when each turn comes. A nested poll leaves the compaction to the
    // outer one.
    const bool outer = !polling_;
    polling_ = true;
    bool worked = false;
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (members_[i] != nullptr && members_[i]->poll()) worked = true;
    if (outer) {
        polling_ = false;
        compact();
    }
    return worked;
}

void PollGroup::compact() {
    if (!removed_) return;
    members_.erase(std::remove(members_.begin(), members_.end(), nullptr), members_.end());
    removed_ = false;
}

std::optional<SteadyTime> PollGroup::nextDeadline() const {
    std::optional<SteadyTime> next;
    for (const Pollable* member : members_) {
        if (member == nullptr) continue;
        const auto deadline = member->nextDeadline();
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

int PollGroup::waitHandle() const {
    for (const Pollable* member : members_)
        if (member != nullptr)
            if (const int handle = member->waitHandle(); handle >= 0) return handle;
    return -1;
}

void PollGroup::setWakeHandler(std::function<void()> wake) {
    std::lock_guard lock(*wakeMutex_);
    *wake_ = std::move(wake);
}

} // namespace appletalk::sim
