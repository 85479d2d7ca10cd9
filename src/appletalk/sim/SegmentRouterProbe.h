// SPDX-License-Identifier: MIT
// Listens on a segment for a router before the simulator serves it: a node of its own asks
// with RTMP Requests (and hears RTMP Data). A second router there would hand clients a
// second zone list, so the simulator then serves beside the one it found.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Pollable.h"
#include "appletalk/sim/SimDevice.h"
#include "appletalk/sim/SimInternet.h"

#include <functional>
#include <optional>

namespace appletalk::sim {

// Blocks for at most `patience` (real time), polling the node and `extra` (a bridge the
// link goes through; may be null). `stop` ends the wait early when it returns true.
std::optional<SegmentRouter> findSegmentRouter(const Clock& clock, const LinkFactory& links, Pollable* extra,
                                               Duration patience, const std::function<bool()>& stop);

} // namespace appletalk::sim
