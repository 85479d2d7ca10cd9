// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/LoginChoice.h"

#include "appletalk/afp/server/AfpVersions.h"

#include <algorithm>

namespace appletalk::afp {

std::optional<Uam> chooseUam(const std::vector<std::string>& offered, bool namedUser, bool cleartextAllowed) {
    auto offers = [&offered](Uam uam) {
        return std::any_of(offered.begin(), offered.end(),
                           [uam](const std::string& name) { return uamFromName(name) == uam; });
    };
    if (!namedUser) return offers(Uam::NoUserAuthent) ? std::optional(Uam::NoUserAuthent) : std::nullopt;
    for (const Uam uam : {Uam::Dhcast128, Uam::TwoWayRandnum, Uam::RandnumExchange})
        if (offers(uam)) return uam;
    if (cleartextAllowed && offers(Uam::Cleartext)) return Uam::Cleartext;
    return std::nullopt;
}

std::optional<std::string> chooseAfpVersion(const std::vector<std::string>& offered) {
    // supportedAfpVersions() runs oldest first; 2.2's long form is the same version.
    const auto known = supportedAfpVersions();
    auto rank = [&known](const std::string& name) -> std::ptrdiff_t {
        if (!isSupportedAfpVersion(name)) return -1;
        const auto found = std::find(known.begin(), known.end(), name);
        return found == known.end() ? std::ssize(known) - 1 : found - known.begin();
    };
    const auto best = std::max_element(offered.begin(), offered.end(),
                                       [&rank](const auto& a, const auto& b) { return rank(a) < rank(b); });
    if (best == offered.end() || rank(*best) < 0) return std::nullopt;
    return *best;
}

} // namespace appletalk::afp
