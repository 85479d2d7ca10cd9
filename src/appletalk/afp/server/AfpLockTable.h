// SPDX-License-Identifier: MIT
// The open forks of every session, with their deny modes and byte-range locks, so that two
// sessions see each other's. Each open fork is an owner: a lock held through one fork
// reference keeps every other reference out of the range, the holder's own session included,
// as AFP locks belong to the fork reference. Guarded by a mutex, as sessions may be closed
// from another thread than the one serving commands.
#pragma once

#include "appletalk/afp/volume/Fork.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace appletalk::afp {

// One fork of one file on one volume of the server.
struct AfpForkKey {
    std::size_t volume = 0;
    std::uint32_t fileId = 0;
    ForkKind kind = ForkKind::Data;

    auto operator<=>(const AfpForkKey&) const = default;
};

// OpenFork's access mode word.
struct AfpAccessMode {
    static constexpr std::uint16_t kRead = 0x01, kWrite = 0x02, kDenyRead = 0x10, kDenyWrite = 0x20;
    std::uint16_t bits = 0;

    bool reads() const { return (bits & kRead) != 0; }
    bool writes() const { return (bits & kWrite) != 0; }
    bool deniesRead() const { return (bits & kDenyRead) != 0; }
    bool deniesWrite() const { return (bits & kDenyWrite) != 0; }
};

class AfpLockTable {
public:
    using Owner = std::uint64_t;

    // Records an opening; DenyConflict when it and an opening already there deny each other.
    AfpResult open(Owner owner, const AfpForkKey& key, AfpAccessMode mode);
    // Drops the opening and its locks.
    void close(Owner owner);
    // Whether any fork of the file is open, in any session.
    bool isOpen(std::size_t volume, std::uint32_t fileId) const;
    bool isOpen(const AfpForkKey& key) const;
    // Whether an opening of the fork denies what `mode` asks (CopyFile reads its source).
    bool denied(const AfpForkKey& key, AfpAccessMode mode) const;

    // Ranges are [start, start + length); a length reaching past 2^64 is cut there.
    AfpResult lock(Owner owner, std::uint64_t start, std::uint64_t length, std::size_t maxLocks);
    AfpResult unlock(Owner owner, std::uint64_t start, std::uint64_t length);
    // Whether another owner's lock on the same fork overlaps the range.
    bool lockedByOther(Owner owner, std::uint64_t start, std::uint64_t length) const;

private:
    struct Range {
        std::uint64_t start = 0, length = 0;
        bool overlaps(std::uint64_t otherStart, std::uint64_t otherLength) const;
    };
    struct Opening {
        AfpForkKey key;
        AfpAccessMode mode;
        std::vector<Range> locks;
    };
    bool lockedByOtherLocked(Owner owner, const AfpForkKey& key, Range range) const;

    mutable std::mutex mutex_;
    std::map<Owner, Opening> openings_;
};

} // namespace appletalk::afp
