// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nbp/NbpName.h"

#include <algorithm>

#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::nbp {

namespace {

bool fits(const std::string& field) { return field.size() <= kMaxNameLength; }

bool hasWildcard(const std::string& field) {
    return field == std::string(1, NbpName::kWildcard) || field.find(NbpName::kPartialWildcard) != std::string::npos;
}

bool isValidPatternField(const std::string& field) {
    return !field.empty() && std::count(field.begin(), field.end(), NbpName::kPartialWildcard) <= 1;
}

} // namespace

bool NbpName::fitsWire() const { return fits(object) && fits(type) && fits(zone); }

bool NbpName::isRegistrable() const {
    return fitsWire() && !object.empty() && !type.empty() && !hasWildcard(object) && !hasWildcard(type);
}

bool NbpName::isValidPattern() const { return fitsWire() && isValidPatternField(object) && isValidPatternField(type); }

} // namespace appletalk::nbp
