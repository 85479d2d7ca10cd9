// SPDX-License-Identifier: MIT
// What an AFP server is told when it starts and what a session is told when it opens: the
// volumes to share, who may log in, and the bounds that keep one client from taking the
// server's memory or descriptors.
#pragma once

#include "appletalk/protocols/afp/AfpServerInfo.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace appletalk::afp {

// A command's result code (AfpResult) and its reply data.
struct AfpAnswer {
    std::int32_t result = 0;
    std::vector<std::uint8_t> reply;
};

struct ShareVolumeConfig {
    std::string name; // as the user gave it (UTF-8); at most 27 Mac OS Roman bytes
    std::filesystem::path folder;
    bool readOnly = false;
    std::string password; // empty: none; else at most 8 bytes (OpenVol)
    std::filesystem::path stateDirectory; // where the volume's ID and desktop databases go
};

struct AfpServerLimits {
    std::size_t sessions = 32;
    std::size_t forksPerSession = 64;
    std::size_t locksPerFork = 64;
    std::size_t desktopsPerSession = 16; // open desktop databases (OpenDT)
};

struct AfpServerConfig {
    std::string serverName; // UTF-8; at most 31 Mac OS Roman bytes
    std::vector<ShareVolumeConfig> volumes;
    bool guestAllowed = true;
    bool cleartextAllowed = false;
    std::filesystem::path usersFile; // empty: no named users
    std::vector<AfpNetworkAddress> addresses; // announced in the status block (TCP flag when any)
    AfpServerLimits limits;
};

// The session layer under a server session (the client's AfpTransport is the other end).
enum class AfpSessionTransport { Asp, Dsi };

struct AfpSessionOptions {
    AfpSessionTransport transport = AfpSessionTransport::Asp;
    std::size_t maxReply = 4624; // the most reply data the transport carries for one command
    std::string peer; // for the log
};

} // namespace appletalk::afp
