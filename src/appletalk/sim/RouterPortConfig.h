// SPDX-License-Identifier: MIT
// What one router port connects to: a LocalTalk network (one number, one zone) or an
// extended network (a range of numbers, up to 255 zones, one of them the default).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace appletalk::sim {

struct RouterPortConfig {
    static constexpr std::size_t kMaxZones = 255;

    bool extended = false;
    std::uint16_t rangeStart = 0; // the network number on LocalTalk
    std::uint16_t rangeEnd = 0; // equals rangeStart on LocalTalk
    std::vector<std::string> zones; // Mac OS Roman; exactly one on LocalTalk
    std::string defaultZone; // empty: the first zone

    static RouterPortConfig localTalk(std::uint16_t network, std::string zone) {
        return RouterPortConfig{false, network, network, {zone}, zone};
    }
    static RouterPortConfig extendedRange(std::uint16_t start, std::uint16_t end, std::vector<std::string> zones,
                                          std::string defaultZone = {}) {
        return RouterPortConfig{true, start, end, std::move(zones), std::move(defaultZone)};
    }

    bool contains(std::uint16_t network) const { return network >= rangeStart && network <= rangeEnd; }
    // Empty when the port can be built; else what is wrong with it.
    std::string validate() const;
};

} // namespace appletalk::sim
