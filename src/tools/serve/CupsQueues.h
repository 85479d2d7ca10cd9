// SPDX-License-Identifier: MIT
// The queues of the CUPS server, as the print server follows them: which exist and are
// shared, their description, whether they are stopped or refuse jobs and why, and their PPD.
#pragma once

#include "tools/serve/CupsConnection.h"

#include <optional>
#include <string>
#include <vector>

namespace vidur::serve {

struct CupsQueue {
    std::string name; // UTF-8, as in the queue's URI
    std::string info; // its description ("Laser in room 12"); may be empty
    bool shared = false;
    bool remote = false; // a queue of another server, seen here
    bool stopped = false;
    bool accepting = true;
    std::string stateMessage; // why, in CUPS' words
    std::vector<std::string> reasons; // printer-state-reasons, "none" left out
    int configChanged = 0; // printer-config-change-time: a new PPD or options

    // What the Macs are told of a stopped or refusing queue.
    std::string reason() const;
};

// Every queue, or nothing when CUPS could not be asked (`problem` says why).
std::optional<std::vector<CupsQueue>> listQueues(CupsConnection& cups, std::string& problem);

// The queue's PPD text; nothing for a queue without one (a raw queue) or when CUPS fails.
std::optional<std::string> fetchPpd(CupsConnection& cups, const std::string& queue);

} // namespace vidur::serve
