// SPDX-License-Identifier: MIT
#include "appletalk/runtime/EmbeddedNetwork.h"

#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/sim/Scenario.h"

namespace appletalk::runtime {

EmbeddedNetwork::EmbeddedNetwork(const Clock& clock, const std::string& scenarioPath, std::uint64_t seed) {
    std::optional<sim::Scenario> scenario;
    if (scenarioPath.empty()) {
        scenario = sim::Scenario::builtin();
    } else {
        sim::ScenarioError error;
        scenario = sim::Scenario::load(scenarioPath, error);
        if (!scenario) {
            problem_ = "scenario " + error.describe();
            return;
        }
    }
    internet_ = std::make_unique<sim::SimInternet>(clock, *scenario, seed);
    internet_->start();
}

EmbeddedNetwork::~EmbeddedNetwork() = default;

std::unique_ptr<Link> EmbeddedNetwork::connect() { return internet_ ? internet_->connectClient() : nullptr; }

} // namespace appletalk::runtime
