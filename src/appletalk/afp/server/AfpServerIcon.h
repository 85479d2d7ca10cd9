// SPDX-License-Identifier: MIT
// The icon the Chooser shows for this server: a 32x32 tower, and its mask, one bit deep.
#pragma once

#include "appletalk/protocols/afp/AfpServerInfo.h"

#include <array>
#include <cstdint>

namespace appletalk::afp {

std::array<std::uint8_t, kIconAndMaskSize> serverIconAndMask();

} // namespace appletalk::afp
