// SPDX-License-Identifier: MIT
// The AFP versions this server speaks.
#pragma once

#include "appletalk/afp/server/AfpServerConfig.h"

#include <string>
#include <string_view>
#include <vector>

namespace appletalk::afp {

std::vector<std::string> supportedAfpVersions();
bool isSupportedAfpVersion(std::string_view version);

} // namespace appletalk::afp
