// SPDX-License-Identifier: MIT
// The AFP versions this server speaks and the user authentication methods it announces.
#pragma once

#include "appletalk/afp/server/AfpServerConfig.h"

#include <string>
#include <string_view>
#include <vector>

namespace appletalk::afp {

std::vector<std::string> supportedAfpVersions();
bool isSupportedAfpVersion(std::string_view version);
std::vector<std::string> offeredUamNames(const AfpServerConfig& config);

inline constexpr std::string_view kGuestUam = "No User Authent";

} // namespace appletalk::afp
