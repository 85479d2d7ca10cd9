// SPDX-License-Identifier: MIT
// The embedded default network: a simulated AppleTalk internet (the simulator's built-in
// scenario, or a scenario file) on in-process wires, polled by the stack's own thread. The
// client node joins it through connect(); nothing leaves the process.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Pollable.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/sim/SimInternet.h"

#include <memory>
#include <string>

namespace appletalk::runtime {

class EmbeddedNetwork {
public:
    // An empty path: the built-in scenario. ok() tells whether the scenario could be built;
    // problem() says why not.
    EmbeddedNetwork(const Clock& clock, const std::string& scenarioPath, std::uint64_t seed);
    ~EmbeddedNetwork();
    EmbeddedNetwork(const EmbeddedNetwork&) = delete;
    EmbeddedNetwork& operator=(const EmbeddedNetwork&) = delete;

    bool ok() const { return internet_ != nullptr; }
    const std::string& problem() const { return problem_; }

    // An endpoint on the client's network of the scenario.
    std::unique_ptr<Link> connect();
    // Every simulated node; only while ok(). Touch it only on the stack's thread.
    Pollable& pollable() { return *internet_; }
    sim::SimInternet* internet() { return internet_.get(); }

private:
    std::unique_ptr<sim::SimInternet> internet_;
    std::string problem_;
};

} // namespace appletalk::runtime
