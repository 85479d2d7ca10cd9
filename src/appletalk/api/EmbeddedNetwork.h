// The embedded default network: a simulated AppleTalk internet (the simulator's built-in
// scenario, or a scenario file) on an in-process wire, polled by the stack's own thread. The
// client node joins it through connect(); nothing leaves the process.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Pollable.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/node/link/MemoryWire.h"

#include <memory>
#include <string>

namespace appletalk::api {

class EmbeddedNetwork {
public:
    // An empty path: the built-in scenario. ok() tells whether the scenario could be built.
    EmbeddedNetwork(const Clock& clock, const std::string& scenarioPath, std::uint64_t seed);
    ~EmbeddedNetwork();
    EmbeddedNetwork(const EmbeddedNetwork&) = delete;
    EmbeddedNetwork& operator=(const EmbeddedNetwork&) = delete;

    bool ok() const { return simulation_ != nullptr; }
    const std::string& problem() const { return problem_; }

    std::unique_ptr<Link> connect();
    // Every simulated node; only while ok().
    Pollable& pollable() { return *simulation_; }
    MemoryWire& wire() { return wire_; }

private:
    MemoryWire wire_;
    std::unique_ptr<Pollable> simulation_;
    std::string problem_;
};

} // namespace appletalk::api
