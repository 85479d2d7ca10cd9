// SPDX-License-Identifier: MIT
// How a client picks its way in from what the server's status block offers: the newest AFP
// version both speak, and the strongest UAM both have.
#pragma once

#include "appletalk/afp/server/auth/Uam.h"

#include <optional>
#include <string>
#include <vector>

namespace appletalk::afp {

// A named user: DHCAST128, then 2-Way Randnum, then Randnum, then a cleartext password only
// when the caller allows it. No user: the guest login. Nothing when the server offers none.
std::optional<Uam> chooseUam(const std::vector<std::string>& offered, bool namedUser, bool cleartextAllowed);
// The newest version in the server's list that this client speaks, as the server wrote it.
std::optional<std::string> chooseAfpVersion(const std::vector<std::string>& offered);

} // namespace appletalk::afp
