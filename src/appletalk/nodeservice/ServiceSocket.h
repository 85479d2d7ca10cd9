// SPDX-License-Identifier: MIT
// The listening socket of the node service: one handed over by systemd (socket activation),
// or one made at a path. A path where a service already answers is not taken over; a socket
// file left behind by one that ended is replaced.
#pragma once

#include <string>

namespace appletalk::nodeservice {

class ServiceSocket {
public:
    // The group whose members may use the system's socket.
    static constexpr const char* kGroup = "appletalk";

    // The first socket systemd passed this process (LISTEN_PID, LISTEN_FDS), when it is a Unix
    // sequenced-packet socket; -1 when none was passed.
    static int fromSystemd(std::string& problem);
    // Listens at `path`, making its folder (mode 0755 for the system's /run/vidur20, 0700 for a
    // user's); the socket itself is 0660 for `shared`, in the group kGroup when there is one,
    // else 0600. -1
    // with `problem` saying why.
    static int listenAt(const std::string& path, bool shared, std::string& problem);
};

} // namespace appletalk::nodeservice
