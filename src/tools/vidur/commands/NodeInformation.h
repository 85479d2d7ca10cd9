// SPDX-License-Identifier: MIT
// What the node knows of its place on the network, asked of the library with the node
// information request of ATALKDispatch in a block the library allocates.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vidur::cli {

class NodeInformation {
public:
    struct Reply {
        int status = 0; // 0, or a negative library status
        std::uint16_t network = 0;
        std::uint8_t node = 0;
        std::uint16_t rangeFirst = 0;
        std::uint16_t rangeLast = 0;
        std::string zone; // Mac OS Roman; empty when the node knows none
    };

    static Reply query(std::chrono::milliseconds timeout);
};

} // namespace vidur::cli
