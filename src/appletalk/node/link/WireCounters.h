// SPDX-License-Identifier: MIT
// What an in-process wire did, for tests and debugging.
#pragma once

#include <cstdint>

namespace appletalk {

struct WireCounters {
    std::uint64_t framesSent = 0; // frames handed to the wire
    std::uint64_t framesRejected = 0; // not LLAP-sized (under 3 or over 603 bytes)
    std::uint64_t copiesQueued = 0; // copies put on the way to a receiver
    std::uint64_t copiesNotAddressed = 0; // not sent to a receiver that knows its node address
    std::uint64_t copiesLost = 0;
    std::uint64_t copiesDuplicated = 0;
    std::uint64_t copiesDelivered = 0; // handed to a receiver's frame handler
};

} // namespace appletalk
