// SPDX-License-Identifier: MIT
// The options of OpenSession and of its reply: a list of (type, length, value). The client
// states the attention quantum it takes; the server states its request quantum and, since
// AFP 3.1, its replay cache size. Each known option is a 4-byte word; an option of another
// type is kept as it came so the list round-trips.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::dsi {

enum class DsiOptionType : std::uint8_t {
    ServerRequestQuantum = 0,
    AttentionQuantum = 1,
    ServerReplayCacheSize = 2,
};

struct DsiOption {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> value;

    bool operator==(const DsiOption&) const = default;
};

struct DsiSessionOptions {
    std::vector<DsiOption> options;

    static DsiSessionOptions with(DsiOptionType type, std::uint32_t value);
    std::optional<std::uint32_t> word(DsiOptionType type) const;

    // Rejects an option running past the end and a known option whose value is not 4 bytes.
    static std::optional<DsiSessionOptions> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const; // empty when an option is over 255 bytes

    bool operator==(const DsiSessionOptions&) const = default;
};

} // namespace appletalk::dsi
