// SPDX-License-Identifier: MIT
// What a node did with the frames it saw, for debugging and tests. Nothing from the network
// is trusted: whatever fails a check is counted here and dropped.
#pragma once

#include <cstdint>

namespace appletalk {

struct NodeCounters {
    std::uint64_t framesReceived = 0;
    std::uint64_t framesMalformed = 0; // bad LLAP frame or bad DDP header (includes the below)
    std::uint64_t badChecksums = 0;
    // Of the malformed ones: addressed to this very node (not broadcast), so most likely an
    // answer to it that could not be read; a request that then gets no answer says so.
    std::uint64_t framesUnreadableForUs = 0;
    std::uint64_t framesIgnored = 0; // LLAP types we do not handle (RTS, CTS, other protocols)
    std::uint64_t framesNotForUs = 0; // another node, another network, or no id yet
    std::uint64_t datagramsDelivered = 0; // handed to a socket's handler
    std::uint64_t datagramsNoSocket = 0; // for a socket nobody opened
    std::uint64_t datagramsForwarded = 0; // handed to the forward handler
    std::uint64_t datagramsSent = 0;
    std::uint64_t sendFailures = 0;
};

// How the node's address was acquired: AARP Probes or lapENQs sent, addresses given up.
struct AcquisitionCounters {
    std::uint64_t probesSent = 0;
    std::uint64_t conflicts = 0;
    int addressesTried = 0; // by the last acquisition, the one held or probed among them
};

} // namespace appletalk
