// SPDX-License-Identifier: MIT
// What an in-process wire does to frames, to test the protocols against a bad network.
// Every effect is drawn from the wire's seeded generator and timed on its clock, so a test
// sees the same losses and the same order on every run.
#pragma once

#include "appletalk/node/Clock.h"

namespace appletalk {

struct WireImpairments {
    double lossRate = 0.0; // chance that one receiver's copy is lost
    double duplicateRate = 0.0; // chance that one receiver gets the copy twice
    Duration delay{}; // added to every copy
    Duration jitter{}; // up to this much more at random: copies overtake each other
};

} // namespace appletalk
