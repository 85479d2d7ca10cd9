// SPDX-License-Identifier: MIT
#include "text/UniqueNameList.h"

#include "text/MacRoman.h"

#include <stdexcept>
#include <utility>

namespace vidur::text {

bool UniqueNameList::add(std::string name) {
    if (names_.size() >= UINT32_MAX - 1) throw std::length_error("UniqueNameList: too many names");
    if ((names_.size() + 1) * 2 > slots_.size()) grow();
    const auto hash = static_cast<std::uint32_t>(foldedHash(name));
    Slot& slot = slots_[find(name, hash)];
    if (slot.position != 0) return false;
    names_.push_back(std::move(name));
    slot = Slot{hash, static_cast<std::uint32_t>(names_.size())};
    return true;
}

bool UniqueNameList::contains(std::string_view name) const {
    return !slots_.empty() && slots_[find(name, static_cast<std::uint32_t>(foldedHash(name)))].position != 0;
}

void UniqueNameList::truncate(std::size_t count) {
    if (count >= names_.size()) return;
    names_.resize(count);
    rehash();
}

void UniqueNameList::clear() {
    names_.clear();
    slots_.assign(slots_.size(), Slot{});
}

std::size_t UniqueNameList::find(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.position == 0) return i;
        if (slot.hash == hash && compareFolded(names_[slot.position - 1], name) == 0) return i;
    }
}

void UniqueNameList::grow() {
    // The stored hashes move to a table twice the size; no name is hashed again.
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 16 : slots_.size() * 2));
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.position == 0) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].position != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void UniqueNameList::rehash() {
    slots_.assign(slots_.size(), Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t position = 0; position < names_.size(); ++position) {
        const auto hash = static_cast<std::uint32_t>(foldedHash(names_[position]));
        std::size_t i = hash & mask;
        while (slots_[i].position != 0) i = (i + 1) & mask;
        slots_[i] = Slot{hash, static_cast<std::uint32_t>(position + 1)};
    }
}

} // namespace vidur::text
