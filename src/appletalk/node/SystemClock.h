// SPDX-License-Identifier: MIT
// The real monotonic clock, for the product.
#pragma once

#include "appletalk/node/Clock.h"

namespace appletalk {

class SystemClock final : public Clock {
public:
    SteadyTime now() const override;
};

} // namespace appletalk
