// SPDX-License-Identifier: MIT
#include "appletalk/node/SystemClock.h"

namespace appletalk {

SteadyTime SystemClock::now() const { return std::chrono::steady_clock::now(); }

} // namespace appletalk
