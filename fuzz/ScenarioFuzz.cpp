// SPDX-License-Identifier: MIT
// Scenario files for the simulator: the loader never fails with anything but an error that
// says where, and a scenario it accepts holds together: the client's network is one of it,
// and every device sits on a network of the scenario that has its zone.
#include "appletalk/sim/Scenario.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using appletalk::sim::Scenario;

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "scenario: %s\n", what);
    std::abort();
}

bool placed(const Scenario& scenario, std::uint16_t number, const std::string& zone) {
    const auto* network = scenario.networkFor(number);
    return network && std::any_of(network->zones.begin(), network->zones.end(),
                                  [&](const std::string& z) { return vidur::text::compareFolded(z, zone) == 0; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    appletalk::sim::ScenarioError error;
    const auto scenario = Scenario::parse(text, "fuzz.toml", error);
    if (!scenario) {
        require(!error.message.empty(), "a refused scenario without a reason");
        return 0;
    }
    require(!scenario->networks.empty() && scenario->networks.size() <= 64, "networks out of bounds");
    require(scenario->networkFor(scenario->clientNetwork) != nullptr, "the client is on no network");
    for (const auto& printer : scenario->printers)
        require(placed(*scenario, printer.network, printer.zone), "a printer off its zone's network");
    for (const auto& server : scenario->fileServers)
        require(placed(*scenario, server.network, server.zone), "a file server off its zone's network");
    return 0;
}
