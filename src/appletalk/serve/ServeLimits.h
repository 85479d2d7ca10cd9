// SPDX-License-Identifier: MIT
// The bounds a print server keeps, whatever the network sends it.
#pragma once

#include "appletalk/node/Clock.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace appletalk::serve {

struct ServeLimits {
    std::size_t maxPrinters = 64; // published at once; each holds a socket
    // Connections at once, over every printer; more are answered busy. Each holds two sockets
    // of the node's 127, beside one per printer.
    std::size_t maxJobs = 16;
    std::uint64_t maxJobBytes = 512ull * 1024 * 1024;
    std::uint64_t maxQueryBytes = 256 * 1024; // a query job is kept whole to be answered
    // A job whose workstation sends nothing this long is given up (it keeps its connection
    // alive with tickles, so PAP's own timeout never comes).
    Duration idleLimit = std::chrono::minutes(10);
    // After the workstation's last byte, the longest the destination may take to confirm.
    Duration verdictLimit = std::chrono::minutes(2);
    // Bytes handed on but not yet taken by the destination: over the high mark the job's
    // bytes are no longer asked for, below the low mark they are again.
    std::uint64_t highWater = 1024 * 1024;
    std::uint64_t lowWater = 256 * 1024;
};

} // namespace appletalk::serve
