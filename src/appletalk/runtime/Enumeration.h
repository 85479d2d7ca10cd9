// SPDX-License-Identifier: MIT
// The shared state of one enumeration (a zone list or an NBP look-up): the stack's thread
// adds results and finishes it, the caller's thread polls its status and reads results.
// A lock guards it, held only for a copy, so no call waits on the network.
#pragma once

#include "appletalk/runtime/ApiResults.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

namespace appletalk::runtime {

template <typename Item>
class Enumeration {
public:
    // The most results kept; later ones are dropped (an NBP look-up's tuple limit).
    explicit Enumeration(std::size_t maxItems = static_cast<std::size_t>(-1)) : maxItems_(maxItems) {}

    int status() const {
        std::lock_guard lock(mutex_);
        return status_;
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }
    bool read(std::size_t index, Item& out) const {
        std::lock_guard lock(mutex_);
        if (index >= items_.size()) return false;
        out = items_[index];
        return true;
    }

    // Stack side. False when the item was not kept: the enumeration has ended or is full.
    bool add(const Item& item) {
        std::lock_guard lock(mutex_);
        if (status_ != kInProgress || items_.size() >= maxItems_) return false;
        items_.push_back(item);
        return true;
    }
    bool isFull() const {
        std::lock_guard lock(mutex_);
        return items_.size() >= maxItems_;
    }
    void replaceAll(std::vector<Item> items) {
        std::lock_guard lock(mutex_);
        if (status_ != kInProgress) return;
        if (items.size() > maxItems_) items.resize(maxItems_);
        items_ = std::move(items);
    }
    // The first outcome stands: a late completion cannot revive a failed enumeration.
    void finish(int status) {
        std::lock_guard lock(mutex_);
        if (status_ == kInProgress) status_ = status;
    }

    // Stops the work behind the enumeration; set and run only on the stack's thread.
    std::function<void()> cancelWork;

private:
    mutable std::mutex mutex_;
    int status_ = kInProgress;
    std::size_t maxItems_;
    std::vector<Item> items_;
};

} // namespace appletalk::runtime
