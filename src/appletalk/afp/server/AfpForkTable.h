// SPDX-License-Identifier: MIT
// The forks one session has open, by reference number; bounded, so a client cannot hold the
// server's descriptors. A reference is found only in the table of the session that opened it.
#pragma once

#include "appletalk/afp/server/AfpLockTable.h"
#include "appletalk/afp/volume/Fork.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace appletalk::afp {

struct AfpOpenFork {
    AfpForkKey key;
    AfpAccessMode mode;
    AfpLockTable::Owner owner = 0;
    std::unique_ptr<Fork> fork;
};

class AfpForkTable {
public:
    explicit AfpForkTable(std::size_t limit) : limit_(limit) {}

    bool full() const { return forks_.size() >= limit_; }
    bool contains(std::uint16_t reference) const { return forks_.contains(reference); }
    // False when the table is full or the reference is taken.
    bool add(std::uint16_t reference, AfpOpenFork fork);
    AfpOpenFork* find(std::uint16_t reference);
    std::optional<AfpOpenFork> remove(std::uint16_t reference);
    std::vector<std::uint16_t> references() const;

private:
    std::size_t limit_;
    std::map<std::uint16_t, AfpOpenFork> forks_;
};

} // namespace appletalk::afp
