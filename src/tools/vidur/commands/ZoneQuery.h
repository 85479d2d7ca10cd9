// SPDX-License-Identifier: MIT
// The zone functions of the AppleTalk library, waited for: the internet's zone list and the
// node's own zone. Zones are Mac OS Roman as the library gives them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vidur::cli {

class ZoneQuery {
public:
    struct Result {
        int status = 0; // 0, or a negative library status
        std::vector<std::string> zones;
    };

    explicit ZoneQuery(std::chrono::milliseconds timeout) : timeout_(timeout) {}

    Result allZones() const;
    // The zones of the node's own cable; a negative status when the library cannot list them.
    Result localZones() const;
    // The node's zone; the library's status on failure.
    Result myZone() const;

private:
    Result enumerate(int selector) const;

    std::chrono::milliseconds timeout_;
};

} // namespace vidur::cli
