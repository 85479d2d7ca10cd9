// SPDX-License-Identifier: MIT
#include "appletalk/sim/SegmentRouterProbe.h"

#include "appletalk/node/Node.h"
#include "appletalk/services/rtmp/RtmpStub.h"

#include <chrono>
#include <thread>

namespace appletalk::sim {

std::optional<SegmentRouter> findSegmentRouter(const Clock& clock, const LinkFactory& links, Pollable* extra,
                                               Duration patience, const std::function<bool()>& stop) {
    auto link = links();
    if (!link) return std::nullopt;
    NodeConfig config;
    config.acquisition.role = NodeRole::Server;
    Node node(clock, *link, config);
    RtmpStub stub(node);
    stub.start();
    node.start();
    const SteadyTime deadline = clock.now() + patience;
    while (clock.now() < deadline && !stub.hasRouter() && !(stop && stop())) {
        if (extra) extra->poll();
        node.poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!stub.hasRouter()) return std::nullopt;
    return SegmentRouter{node.isExtended() ? node.aRouterNetwork() : node.thisNet(), node.aRouter()};
}

} // namespace appletalk::sim
