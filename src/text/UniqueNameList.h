// SPDX-License-Identifier: MIT
// Names in the order they were first added, each unique under the NBP and ZIP case fold, so
// that "Sales" and "SALES" are one zone. Beside the names sits an open-addressing table of
// their folded hashes and positions: adding a name costs one copy of it and a probe or two,
// and the table is small (a set of folded keys allocated and compared a key per name, the
// bulk of reading a zone list).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vidur::text {

class UniqueNameList {
public:
    // Appends `name`; false (and nothing added) when a name equal to it under the fold is there.
    bool add(std::string name);
    bool contains(std::string_view name) const;
    // Keeps the first `count` names.
    void truncate(std::size_t count);
    void clear();

    const std::vector<std::string>& names() const { return names_; }
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.empty(); }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = 0; // in names_, plus one; 0 marks an empty slot
    };

    // The slot of the name equal to `name` under the fold, or the empty slot where it would go.
    std::size_t find(std::string_view name, std::uint32_t hash) const;
    void grow();
    void rehash();

    std::vector<std::string> names_;
    std::vector<Slot> slots_;
};

} // namespace vidur::text
