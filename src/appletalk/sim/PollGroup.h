// SPDX-License-Identifier: MIT
// Several pollables seen as one: a router's port nodes, or every node of a simulated
// internet, so a driver or an event loop adds one object and polls them all.
#pragma once

#include "appletalk/node/Pollable.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace appletalk::sim {

class PollGroup final : public Pollable {
public:
    // Members are not owned; each must outlive its membership.
    void add(Pollable& member);
    void remove(Pollable& member);
    // Every member removed at once.
    void clear();
    std::size_t size() const;

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override;
    // The descriptor of the one member that has one (an LToUDP port); members without one
    // wake the group instead. With several such members only the first is watched, so
    // give each its own place in the loop instead.
    int waitHandle() const override;
    void setWakeHandler(std::function<void()> wake) override;

private:
    void compact();

    // A member removed while the group polls is nulled, and the list compacted afterwards,
    // so a pass over thousands of members costs one visit each.
    std::vector<Pollable*> members_;
    bool polling_ = false;
    bool removed_ = false;
    // Members may wake us from another thread (a link's reader), hence the lock.
    std::shared_ptr<std::mutex> wakeMutex_ = std::make_shared<std::mutex>();
    std::shared_ptr<std::function<void()>> wake_ = std::make_shared<std::function<void()>>();
};

} // namespace appletalk::sim
