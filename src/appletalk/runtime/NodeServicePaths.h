// SPDX-License-Identifier: MIT
// Where the host's node service listens. A program looks, in this order, at the socket that
// VIDUR_NODE_SOCKET names (alone; "none" forbids the service), the user's
// ($XDG_RUNTIME_DIR/vidur20/node), then the system's (/run/vidur20/node); the service itself
// listens on the system's when run as the system service (root, or started by systemd) and on
// the user's otherwise.
#pragma once

#include <string>
#include <vector>

namespace appletalk::runtime {

struct NodeServicePaths {
    static constexpr const char* kSystemSocket = "/run/vidur20/node";
    static constexpr const char* kEnvironment = "VIDUR_NODE_SOCKET";

    // Where a program looks for a service, in order; empty when it must not use one.
    static std::vector<std::string> candidates();
    // Where `vidur node` listens unless told: empty, with `problem` set, when there is no
    // place (no XDG_RUNTIME_DIR for a user).
    static std::string serviceDefault(bool systemService, std::string& problem);
    static std::string userSocket(); // empty without XDG_RUNTIME_DIR
};

} // namespace appletalk::runtime
