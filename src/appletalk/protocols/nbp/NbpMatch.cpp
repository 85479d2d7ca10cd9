// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nbp/NbpMatch.h"

#include "text/MacRoman.h"

namespace appletalk::nbp {

namespace {

bool equalFolded(std::string_view a, std::string_view b) { return vidur::text::compareFolded(a, b) == 0; }

} // namespace

bool matchesField(std::string_view pattern, std::string_view value) {
    if (pattern.size() == 1 && pattern[0] == NbpName::kWildcard) return true;
    const auto star = pattern.find(NbpName::kPartialWildcard);
    if (star == std::string_view::npos) return equalFolded(pattern, value);
    const auto prefix = pattern.substr(0, star);
    const auto suffix = pattern.substr(star + 1);
    if (suffix.find(NbpName::kPartialWildcard) != std::string_view::npos) return false;
    if (value.size() < prefix.size() + suffix.size()) return false;
    return equalFolded(prefix, value.substr(0, prefix.size())) &&
           equalFolded(suffix, value.substr(value.size() - suffix.size()));
}

bool matches(const NbpName& pattern, const NbpName& registered, const NbpZoneRule& zoneRule) {
    return pattern.isValidPattern() && matchesField(pattern.object, registered.object) &&
           matchesField(pattern.type, registered.type) && zoneRule.accepts(pattern.zone);
}

} // namespace appletalk::nbp
