// SPDX-License-Identifier: MIT
// What one program may hold of the shared node, so that no program can starve the others:
// the dynamic sockets are 127 for the whole host, the names of a node are answered in one
// look-up reply, and datagrams wait for a program that does not read only in its socket's
// buffer, never in the service.
#pragma once

#include <cstddef>

namespace appletalk::nodeservice {

struct NodeServiceLimits {
    std::size_t programs = 64; // connected at once
    std::size_t socketsPerProgram = 32;
    std::size_t namesPerProgram = 32;
    // The kernel's buffer of datagrams waiting for one program; past it they are dropped.
    int sendBufferBytes = 128 * 1024;
};

} // namespace appletalk::nodeservice
