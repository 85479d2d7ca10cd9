#include "appletalk/api/EmbeddedNetwork.h"

#include "appletalk/node/link/MemoryWireLink.h"

namespace appletalk::api {

EmbeddedNetwork::EmbeddedNetwork(const Clock& clock, const std::string& scenarioPath, std::uint64_t seed)
    : wire_(clock, seed == 0 ? 1 : seed) {
    (void)scenarioPath;
    problem_ = "the simulated network is not available in this build";
}

EmbeddedNetwork::~EmbeddedNetwork() = default;

std::unique_ptr<Link> EmbeddedNetwork::connect() { return wire_.connect(); }

} // namespace appletalk::api
