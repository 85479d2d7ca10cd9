// SPDX-License-Identifier: MIT
// Many nodes on one in-process wire: each frame sent by one endpoint reaches every other
// attached endpoint, with optional loss, duplication, delay and reordering (see
// WireImpairments). The embedded default network and the tests run on it.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/link/WireCounters.h"
#include "appletalk/node/link/WireImpairments.h"

#include <cstdint>
#include <memory>

namespace appletalk {

class MemoryWireHub;
class MemoryWireLink;

class MemoryWire {
public:
    // The clock times delayed copies; the seed drives every random impairment.
    explicit MemoryWire(const Clock& clock, std::uint64_t seed = 1);
    ~MemoryWire();
    MemoryWire(const MemoryWire&) = delete;
    MemoryWire& operator=(const MemoryWire&) = delete;

    // A new endpoint; it and the wire may be destroyed in either order.
    std::unique_ptr<MemoryWireLink> connect();

    void setImpairments(const WireImpairments& impairments);
    WireCounters counters() const;
    std::size_t endpointCount() const;

private:
    std::shared_ptr<MemoryWireHub> hub_;
};

} // namespace appletalk
