// SPDX-License-Identifier: MIT
// The one place a volume's error becomes the AFP result a client sees.
#pragma once

#include "appletalk/afp/volume/VolumeError.h"
#include "appletalk/protocols/afp/AfpResult.h"

namespace appletalk::afp {

AfpResult afpResultOf(VolumeError error);

} // namespace appletalk::afp
