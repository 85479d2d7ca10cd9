// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nbp/NbpZoneRule.h"

#include <utility>

#include "appletalk/protocols/nbp/NbpName.h"
#include "text/MacRoman.h"

namespace appletalk::nbp {

NbpZoneRule NbpZoneRule::anyZone() {
    return NbpZoneRule([](std::string_view) { return true; });
}

NbpZoneRule NbpZoneRule::myZone(std::string zone) {
    return NbpZoneRule([own = std::move(zone)](std::string_view asked) {
        return asked.empty() || asked == std::string_view(&NbpName::kMyZone, 1) ||
               vidur::text::compareFolded(asked, own) == 0;
    });
}

NbpZoneRule NbpZoneRule::custom(std::function<bool(std::string_view zone)> accepts) {
    if (!accepts) return NbpZoneRule([](std::string_view) { return false; });
    return NbpZoneRule(std::move(accepts));
}

} // namespace appletalk::nbp
