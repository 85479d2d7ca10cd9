// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpLockTable.h"

#include <algorithm>
#include <limits>

namespace appletalk::afp {

namespace {

bool denies(AfpAccessMode holder, AfpAccessMode newcomer) {
    return (holder.deniesRead() && newcomer.reads()) || (holder.deniesWrite() && newcomer.writes());
}

std::uint64_t endOf(std::uint64_t start, std::uint64_t length) {
    const auto room = std::numeric_limits<std::uint64_t>::max() - start;
    return start + std::min(length, room);
}

} // namespace

bool AfpLockTable::Range::overlaps(std::uint64_t otherStart, std::uint64_t otherLength) const {
    return start < endOf(otherStart, otherLength) && otherStart < endOf(start, length);
}

AfpResult AfpLockTable::open(Owner owner, const AfpForkKey& key, AfpAccessMode mode) {
    const std::lock_guard guard(mutex_);
    for (const auto& [other, opening] : openings_) {
        if (opening.key != key) continue;
        if (denies(opening.mode, mode) || denies(mode, opening.mode)) return AfpResult::DenyConflict;
    }
    openings_[owner] = Opening{key, mode, {}};
    return AfpResult::NoErr;
}

void AfpLockTable::close(Owner owner) {
    const std::lock_guard guard(mutex_);
    openings_.erase(owner);
}

bool AfpLockTable::isOpen(std::size_t volume, std::uint32_t fileId) const {
    const std::lock_guard guard(mutex_);
    return std::any_of(openings_.begin(), openings_.end(), [&](const auto& entry) {
        return entry.second.key.volume == volume && entry.second.key.fileId == fileId;
    });
}

bool AfpLockTable::isOpen(const AfpForkKey& key) const {
    const std::lock_guard guard(mutex_);
    return std::any_of(openings_.begin(), openings_.end(), [&](const auto& entry) { return entry.second.key == key; });
}

bool AfpLockTable::denied(const AfpForkKey& key, AfpAccessMode mode) const {
    const std::lock_guard guard(mutex_);
    return std::any_of(openings_.begin(), openings_.end(),
                       [&](const auto& entry) { return entry.second.key == key && denies(entry.second.mode, mode); });
}

bool AfpLockTable::lockedByOtherLocked(Owner owner, const AfpForkKey& key, Range range) const {
    for (const auto& [other, opening] : openings_) {
        if (other == owner || opening.key != key) continue;
        for (const Range& held : opening.locks)
            if (held.overlaps(range.start, range.length)) return true;
    }
    return false;
}

AfpResult AfpLockTable::lock(Owner owner, std::uint64_t start, std::uint64_t length, std::size_t maxLocks) {
    const std::lock_guard guard(mutex_);
    const auto found = openings_.find(owner);
    if (found == openings_.end()) return AfpResult::ParamErr;
    auto& locks = found->second.locks;
    for (const Range& held : locks)
        if (held.overlaps(start, length)) return AfpResult::RangeOverlap;
    if (lockedByOtherLocked(owner, found->second.key, Range{start, length})) return AfpResult::LockErr;
    if (locks.size() >= maxLocks) return AfpResult::NoMoreLocks;
    locks.push_back(Range{start, length});
    return AfpResult::NoErr;
}

AfpResult AfpLockTable::unlock(Owner owner, std::uint64_t start, std::uint64_t length) {
    const std::lock_guard guard(mutex_);
    const auto found = openings_.find(owner);
    if (found == openings_.end()) return AfpResult::ParamErr;
    auto& locks = found->second.locks;
    // Only a range exactly as it was locked comes off.
    const auto held = std::find_if(locks.begin(), locks.end(),
                                   [&](const Range& range) { return range.start == start && range.length == length; });
    if (held == locks.end()) return AfpResult::RangeNotLocked;
    locks.erase(held);
    return AfpResult::NoErr;
}

bool AfpLockTable::lockedByOther(Owner owner, std::uint64_t start, std::uint64_t length) const {
    const std::lock_guard guard(mutex_);
    const auto found = openings_.find(owner);
    if (found == openings_.end() || length == 0) return false;
    return lockedByOtherLocked(owner, found->second.key, Range{start, length});
}

} // namespace appletalk::afp
