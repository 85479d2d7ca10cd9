// SPDX-License-Identifier: MIT
// What the queue behind a published printer is doing, as its status answers tell the Macs.
#pragma once

#include <string>

namespace appletalk::serve {

struct QueueState {
    bool stopped = false; // it prints nothing until started again
    bool accepting = true; // it takes new jobs
    std::string reason; // Mac OS Roman: why, as the queue says it; may be empty

    bool operator==(const QueueState&) const = default;
};

} // namespace appletalk::serve
