// SPDX-License-Identifier: MIT
// The open enumerations of one kind, by the 32-bit handle their caller holds. Handles are
// never 0 and are handed out in turn from a starting point that differs per table, so a
// handle just closed (or one of another table) is not valid again until four billion more
// have been opened: a caller that keeps using a stale handle gets an error, never someone
// else's enumeration. Any thread may use the table.
#pragma once

#include "tarvlib/TarvlibApi.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace appletalk::runtime {

template <typename Entry>
class EnumerationTable {
public:
    explicit EnumerationTable(std::uint32_t firstHandle) : next_(firstHandle == 0 ? 1 : firstHandle) {}

    // The new entry's handle; 0 only when every handle is in use.
    ATEnumHandle add(std::shared_ptr<Entry> entry) {
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kMaxOpen) return 0;
        for (std::size_t tries = 0; tries < kMaxOpen; ++tries) {
            const ATEnumHandle handle = next_++;
            if (next_ == 0) next_ = 1;
            if (handle != 0 && entries_.emplace(handle, entry).second) return handle;
        }
        return 0;
    }

    std::shared_ptr<Entry> find(ATEnumHandle handle) const {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(handle);
        return found == entries_.end() ? nullptr : found->second;
    }

    // The entry, now no longer in the table; null for an unknown handle.
    std::shared_ptr<Entry> remove(ATEnumHandle handle) {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(handle);
        if (found == entries_.end()) return nullptr;
        auto entry = std::move(found->second);
        entries_.erase(found);
        return entry;
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

private:
    // More open enumerations than this is a caller that never closes: refuse, don't search on.
    static constexpr std::size_t kMaxOpen = 4096;

    mutable std::mutex mutex_;
    std::map<ATEnumHandle, std::shared_ptr<Entry>> entries_;
    ATEnumHandle next_;
};

} // namespace appletalk::runtime
