// SPDX-License-Identifier: MIT
// NBP name matching, as a responder or a router decides whether a registered name answers a
// lookup. Object and type compare under the NBP case fold (case-insensitive, diacritics
// count) unless wildcarded: "=" as the whole field matches anything, one "≈" (0xC5) inside
// the field matches zero or more bytes. The zone is judged by the caller's rule.
#pragma once

#include <string_view>

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nbp/NbpZoneRule.h"

namespace appletalk::nbp {

// One object or type field of a pattern against a registered field. A field with two or
// more "≈" matches nothing.
bool matchesField(std::string_view pattern, std::string_view value);

// The whole name; false when the pattern is not a valid pattern (NbpName::isValidPattern).
bool matches(const NbpName& pattern, const NbpName& registered, const NbpZoneRule& zoneRule);

} // namespace appletalk::nbp
