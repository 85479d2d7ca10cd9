// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpForkTable.h"

namespace appletalk::afp {

bool AfpForkTable::add(std::uint16_t reference, AfpOpenFork fork) {
    if (full() || reference == 0) return false;
    return forks_.emplace(reference, std::move(fork)).second;
}

AfpOpenFork* AfpForkTable::find(std::uint16_t reference) {
    const auto found = forks_.find(reference);
    return found == forks_.end() ? nullptr : &found->second;
}

std::optional<AfpOpenFork> AfpForkTable::remove(std::uint16_t reference) {
    const auto found = forks_.find(reference);
    if (found == forks_.end()) return std::nullopt;
    auto fork = std::move(found->second);
    forks_.erase(found);
    return fork;
}

std::vector<std::uint16_t> AfpForkTable::references() const {
    std::vector<std::uint16_t> references;
    for (const auto& entry : forks_) references.push_back(entry.first);
    return references;
}

} // namespace appletalk::afp
