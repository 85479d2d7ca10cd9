// SPDX-License-Identifier: MIT
#include "appletalk/sim/RouterPortConfig.h"

#include "appletalk/protocols/wire/WireLimits.h"
#include "text/MacRoman.h"

#include <algorithm>

namespace appletalk::sim {

namespace {

// Network 0 means "this network" and 0xFF00..0xFFFE is the start-up range: no cable owns them.
constexpr std::uint16_t kFirstStartupNetwork = 0xFF00;

} // namespace

std::string RouterPortConfig::validate() const {
    if (rangeStart == 0 || rangeEnd >= kFirstStartupNetwork) return "network numbers must lie in 1..65279";
    if (rangeStart > rangeEnd) return "the range starts above its end";
    if (!extended && rangeStart != rangeEnd) return "a LocalTalk network has one number";
    if (zones.empty()) return "a network needs at least one zone";
    if (!extended && zones.size() != 1) return "a LocalTalk network has exactly one zone";
    if (zones.size() > kMaxZones) return "a network has at most 255 zones";
    for (std::size_t i = 0; i < zones.size(); ++i) {
        if (zones[i].empty() || zones[i].size() > kMaxNameLength) return "zone names are 1 to 32 bytes";
        for (std::size_t j = 0; j < i; ++j)
            if (vidur::text::compareFolded(zones[i], zones[j]) == 0) return "a zone is listed twice";
    }
    if (!defaultZone.empty() && std::none_of(zones.begin(), zones.end(), [&](const std::string& z) {
            return vidur::text::compareFolded(z, defaultZone) == 0;
        }))
        return "the default zone is not one of the network's zones";
    return {};
}

} // namespace appletalk::sim
