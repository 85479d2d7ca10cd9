// SPDX-License-Identifier: MIT
// The entities a look-up has heard from, each as its address and enumerator packed into one
// integer, in an open-addressing table: no allocation per reply, a probe or two a look-up.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace appletalk {

class TupleAddressSet {
public:
    static constexpr std::uint64_t pack(std::uint16_t network, std::uint8_t node, std::uint8_t socket,
                                        std::uint8_t enumerator) {
        return std::uint64_t{network} << 24 | std::uint64_t{node} << 16 | std::uint64_t{socket} << 8 | enumerator;
    }

    // Adds `key`; false when it was there already.
    bool insert(std::uint64_t key) {
        if ((size_ + 1) * 2 > slots_.size()) grow();
        const std::uint64_t stored = key + 1; // 0 marks an empty slot
        for (std::size_t i = slotOf(stored);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == stored) return false;
            if (slots_[i] == 0) {
                slots_[i] = stored;
                ++size_;
                return true;
            }
        }
    }
    void clear() {
        std::fill(slots_.begin(), slots_.end(), 0);
        size_ = 0;
    }
    std::size_t size() const { return size_; }

private:
    // Fibonacci hashing: the top bits of the product, as many as the table has.
    std::size_t slotOf(std::uint64_t stored) const {
        return static_cast<std::size_t>((stored * 0x9E3779B97F4A7C15ULL) >> (64 - bits_));
    }
    void grow() {
        std::vector<std::uint64_t> old = std::move(slots_);
        bits_ = std::max(bits_ + 1, 4);
        slots_.assign(std::size_t{1} << bits_, 0);
        size_ = 0;
        for (const std::uint64_t stored : old)
            if (stored != 0) insert(stored - 1);
    }

    std::vector<std::uint64_t> slots_;
    std::size_t size_ = 0;
    int bits_ = 3;
};

} // namespace appletalk
