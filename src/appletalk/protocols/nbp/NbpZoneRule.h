// SPDX-License-Identifier: MIT
// Which zone fields of a lookup a responder answers; the zone part of NBP matching depends on
// where the responder sits, so the caller chooses the rule.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace appletalk::nbp {

class NbpZoneRule {
public:
    // A node on a non-extended network: it may not know its zone, so any zone matches.
    static NbpZoneRule anyZone();
    // A node that knows its zone (extended network, or a router for one cable): "*", empty,
    // or that zone under the NBP case fold.
    static NbpZoneRule myZone(std::string zone);
    // Anything else, e.g. a router holding several zones.
    static NbpZoneRule custom(std::function<bool(std::string_view zone)> accepts);

    bool accepts(std::string_view zone) const { return accepts_(zone); }

private:
    explicit NbpZoneRule(std::function<bool(std::string_view)> accepts) : accepts_(std::move(accepts)) {}

    std::function<bool(std::string_view)> accepts_;
};

} // namespace appletalk::nbp
