// SPDX-License-Identifier: MIT
// A small internet for the stack's benchmarks, on in-process wires and virtual time: one
// simulated router with a port per network, a client workstation on the first network, and
// device nodes that register many names each on the others. Everything is set up (ids held,
// router known) before a benchmark times anything.
#pragma once

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/services/nbp/NbpRegistry.h"
#include "appletalk/sim/RouterPortConfig.h"
#include "appletalk/sim/SimRouter.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vidur::bench {

class BenchInternet {
public:
    // Port 0 is the client's network. Throws std::runtime_error when the nodes do not settle.
    explicit BenchInternet(const std::vector<appletalk::sim::RouterPortConfig>& ports);
    ~BenchInternet();
    BenchInternet(const BenchInternet&) = delete;
    BenchInternet& operator=(const BenchInternet&) = delete;

    // `nodes` device nodes on `port`'s network, each registering `namesPerNode` (at most 256)
    // names "<prefix> <n>:<type>" on one socket. Returns how many names were registered.
    std::size_t addDevices(std::size_t port, int nodes, int namesPerNode, const std::string& type);

    appletalk::Node& client() { return *client_; }
    appletalk::VirtualTimeDriver& driver() { return driver_; }
    appletalk::sim::SimRouter& router() { return router_; }

private:
    struct Device {
        std::unique_ptr<appletalk::MemoryWireLink> link; // outlives its node
        std::unique_ptr<appletalk::Node> node;
        std::unique_ptr<appletalk::NbpRegistry> registry;
    };

    void settle(const std::function<bool()>& done, const char* what);

    appletalk::ManualClock clock_;
    appletalk::VirtualTimeDriver driver_{clock_};
    std::vector<std::unique_ptr<appletalk::MemoryWire>> wires_;
    appletalk::sim::SimRouter router_{clock_};
    std::unique_ptr<appletalk::MemoryWireLink> clientLink_;
    std::unique_ptr<appletalk::Node> client_;
    std::vector<Device> devices_;
    int nextDevice_ = 0;
};

} // namespace vidur::bench
