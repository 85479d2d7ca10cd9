// SPDX-License-Identifier: MIT
// The time source of the stack. Every timer reads a Clock, never the system directly, so
// tests can step time by hand and run minutes of protocol in microseconds.
#pragma once

#include <chrono>

namespace appletalk {

using SteadyTime = std::chrono::steady_clock::time_point;
using Duration = std::chrono::steady_clock::duration;

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic: never goes back.
    virtual SteadyTime now() const = 0;
};

} // namespace appletalk
