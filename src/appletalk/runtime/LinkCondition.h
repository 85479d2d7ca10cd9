// SPDX-License-Identifier: MIT
// How the link of the library's own stack fares, for the programs of this tree: the receive
// buffer the kernel granted and the frames lost so far, and whether the node is the host's
// node service's. The command reaches the stack only
// through the library's functions, and needs this to say when a look-up may come back short.
#pragma once

#include "appletalk/node/link/ReceiveBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

namespace appletalk::runtime {

struct LinkCondition {
    std::optional<ReceiveBufferGrant> receiveBuffer; // nothing: the link has no socket buffer
    std::uint64_t framesDropped = 0; // Link::framesDropped
    // The socket of the host's node service when the node is the service's; empty when it is
    // this process's own.
    std::string nodeService;
    // Why a node service that was there was not used; empty otherwise.
    std::string nodeServiceNotice;

    // Of the process-wide stack, started as the library's functions start it; nothing when it
    // runs on no link.
    static std::optional<LinkCondition> ofLibraryStack();
};

} // namespace appletalk::runtime
