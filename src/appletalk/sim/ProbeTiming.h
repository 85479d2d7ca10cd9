// SPDX-License-Identifier: MIT
// How many lapENQs a simulated node sends for a candidate id, and how far apart. A real
// LocalTalk segment (LToUDP) needs the standard eight probes 250 ms apart: other stations may
// be slow to answer. An unimpaired in-process wire hands every frame over at the next poll,
// so a few quick probes run the same protocol just as safely and a whole simulated internet
// holds its ids in a blink instead of two seconds. Either way a node gives up after
// AcquisitionSettings::candidateLimit ids (an EtherTalk node after AarpTiming::addressLimit
// addresses), so a station that claims every id never gets a storm of probes.
#pragma once

#include "appletalk/node/localtalk/NodeIdAcquirer.h"

#include <chrono>

namespace appletalk::sim {

struct ProbeTiming {
    int count = 8;
    Duration interval = std::chrono::milliseconds(250);

    static constexpr ProbeTiming standard() { return {}; }
    static constexpr ProbeTiming quick() { return {3, std::chrono::milliseconds(20)}; }

    void applyTo(AcquisitionSettings& settings) const {
        settings.probeCount = count;
        settings.probeInterval = interval;
    }
    bool operator==(const ProbeTiming&) const = default;
};

} // namespace appletalk::sim
