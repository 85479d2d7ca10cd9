// SPDX-License-Identifier: MIT
// A scenario brought to life: one router with a port per network, a wire per network, and
// every printer and file server as a node on its network's wire, at the address the
// scenario's AddressPlan gives it. Throws std::invalid_argument for a scenario whose devices
// do not fit where they are served. The client's network is
// either an in-process wire (connectClient) or a link the caller supplies, such as an
// LToUDP segment, so real clients meet the simulated devices there.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/sim/AddressPlan.h"
#include "appletalk/sim/PollGroup.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SimDevice.h"
#include "appletalk/sim/SimFileServer.h"
#include "appletalk/sim/SimPrinter.h"
#include "appletalk/sim/SimRouter.h"

#include <memory>
#include <string_view>
#include <vector>

namespace appletalk::sim {

// A router that already serves the supplied segment: its network number there and its node.
struct SegmentRouter {
    std::uint16_t network = 0;
    std::uint8_t node = 0;
};

class SimInternet final : public Pollable {
public:
    // Everything on in-process wires. `seed` makes node ids and impairments repeat; 0: random.
    SimInternet(const Clock& clock, const Scenario& scenario, std::uint64_t seed = 1);
    // The client's network on links from `clientSegment` (one per node: the router's port and
    // each device there); the other networks stay in-process.
    SimInternet(const Clock& clock, const Scenario& scenario, LinkFactory clientSegment, std::uint64_t seed = 1);
    // Beside a router already on the segment: the scenario's router stays away (two routers
    // with different zone tables would give clients two answers), the devices of the client
    // network are served there as plain nodes under `existing`, in whatever zone it gives
    // them, and the devices of the other networks, which nothing could reach, are left out.
    SimInternet(const Clock& clock, const Scenario& scenario, LinkFactory clientSegment, std::uint64_t seed,
                SegmentRouter existing);
    ~SimInternet() override;
    SimInternet(const SimInternet&) = delete;
    SimInternet& operator=(const SimInternet&) = delete;

    void start();
    // Every node holds its id (routers' ports and devices that are present).
    bool isReady() const;
    // A node (a router's port or a device) gave up acquiring an address: another station
    // claims every one it tried, so the internet will never be ready.
    bool acquisitionFailed() const;

    const Scenario& scenario() const { return scenario_; }
    SimRouter& router() { return *router_; }
    // A new endpoint on the client's network; null when that network is a supplied link.
    std::unique_ptr<MemoryWireLink> connectClient();
    // The wire of a network (any number in its range); null for the supplied segment.
    MemoryWire* wireFor(std::uint16_t network);
    // How nodes on a network probe for their ids: quickly on an in-process wire without
    // loss or delay (only our own nodes are there, and every frame comes at the next poll);
    // the standard way on the supplied segment, or where the scenario impairs the wire.
    ProbeTiming probeTimingFor(std::uint16_t network) const;

    const std::vector<std::unique_ptr<SimPrinter>>& printers() const { return printers_; }
    const std::vector<std::unique_ptr<SimFileServer>>& fileServers() const { return fileServers_; }
    SimPrinter* printer(std::string_view macRomanName);
    // The devices left out beside an existing router (Mac OS Roman names).
    const std::vector<std::string>& leftOut() const { return leftOut_; }

    // Each part on its own, for an EventLoop that must watch every descriptor (LToUDP links).
    std::vector<Pollable*> parts();
    // Frame copies the in-process wires lost as the scenario's faults say.
    std::uint64_t framesLostToFaults() const;

    bool poll() override { return group_.poll(); }
    std::optional<SteadyTime> nextDeadline() const override { return group_.nextDeadline(); }
    int waitHandle() const override { return group_.waitHandle(); }
    void setWakeHandler(std::function<void()> wake) override { group_.setWakeHandler(std::move(wake)); }

private:
    void build(LinkFactory clientSegment);
    void buildBeside(LinkFactory clientSegment, SegmentRouter existing);
    LinkFactory linksFor(std::uint16_t network, const LinkFactory& clientSegment);
    DevicePlacement placement(DeviceAddress address, const std::string& zone);
    PrinterBehaviour behaviourOf(const ScenarioPrinter& printer) const;

    const Clock& clock_;
    Scenario scenario_;
    std::uint64_t seed_;
    std::uint64_t nextSeed_ = 0;
    std::vector<std::unique_ptr<MemoryWire>> wires_; // by network index; null for the segment
    std::unique_ptr<SimRouter> router_;
    std::vector<std::unique_ptr<SimPrinter>> printers_;
    std::vector<std::unique_ptr<SimFileServer>> fileServers_;
    std::vector<std::string> leftOut_;
    PollGroup group_;
};

} // namespace appletalk::sim
