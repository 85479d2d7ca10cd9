// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimInternet.h"

#include "appletalk/sim/AddressPlan.h"

#include <algorithm>
#include <stdexcept>

namespace appletalk::sim {

namespace {

AddressPlan planFor(const Scenario& scenario, bool clientOnLocalTalk) {
    std::string problem;
    auto plan = AddressPlan::make(scenario, clientOnLocalTalk, problem);
    if (!plan) throw std::invalid_argument(scenario.source + ": " + problem);
    return *plan;
}

} // namespace

SimInternet::SimInternet(const Clock& clock, const Scenario& scenario, std::uint64_t seed)
    : clock_(clock), scenario_(scenario), seed_(seed) {
    build(nullptr);
}

SimInternet::SimInternet(const Clock& clock, const Scenario& scenario, LinkFactory clientSegment, std::uint64_t seed)
    : clock_(clock), scenario_(scenario), seed_(seed) {
    build(std::move(clientSegment));
}

SimInternet::SimInternet(const Clock& clock, const Scenario& scenario, LinkFactory clientSegment, std::uint64_t seed,
                         SegmentRouter existing)
    : clock_(clock), scenario_(scenario), seed_(seed) {
    buildBeside(std::move(clientSegment), existing);
}

SimInternet::~SimInternet() { group_.clear(); }

void SimInternet::build(LinkFactory clientSegment) {
    const auto nextSeed = [this] { return seed_ == 0 ? 0 : seed_ * 1000 + ++nextSeed_ * 16; };
    for (const auto& network : scenario_.networks) {
        const bool isSegment =
            clientSegment && network.rangeStart == scenario_.networkFor(scenario_.clientNetwork)->rangeStart;
        if (isSegment) {
            wires_.push_back(nullptr);
            continue;
        }
        auto wire = std::make_unique<MemoryWire>(clock_, seed_ == 0 ? 1 : nextSeed());
        WireImpairments impairments;
        impairments.lossRate = network.loss.value_or(scenario_.faults.loss);
        impairments.delay = network.delay.value_or(scenario_.faults.delay);
        wire->setImpairments(impairments);
        wires_.push_back(std::move(wire));
    }
    router_ = std::make_unique<SimRouter>(clock_, scenario_.routerNode, nextSeed());
    // A client segment of LocalTalk frames (LToUDP) holds what LocalTalk holds, whatever the
    // scenario calls the network; one of Ethernet frames, what an extended cable holds.
    bool clientOnLocalTalk = false;
    for (std::size_t i = 0; i < scenario_.networks.size(); ++i) {
        const auto& network = scenario_.networks[i];
        const RouterPortConfig port{network.extended, network.rangeStart, network.rangeEnd, network.zones,
                                    network.defaultZone};
        auto link = linksFor(network.rangeStart, clientSegment)();
        if (!wires_[i] && link) clientOnLocalTalk = !link->hardwareAddress();
        router_->addPort(std::move(link), port, probeTimingFor(network.rangeStart));
    }
    group_.add(*router_);
    const AddressPlan plan = planFor(scenario_, clientOnLocalTalk);
    for (std::size_t i = 0; i < scenario_.printers.size(); ++i) {
        const auto& printer = scenario_.printers[i];
        printers_.push_back(std::make_unique<SimPrinter>(clock_, linksFor(printer.network, clientSegment),
                                                         placement(plan.printer(i), printer.zone),
                                                         behaviourOf(printer)));
        group_.add(*printers_.back());
    }
    for (std::size_t i = 0; i < scenario_.fileServers.size(); ++i) {
        const auto& server = scenario_.fileServers[i];
        fileServers_.push_back(std::make_unique<SimFileServer>(
            clock_, linksFor(server.network, clientSegment), placement(plan.fileServer(i), server.zone), server.name));
        group_.add(*fileServers_.back());
    }
}

PrinterBehaviour SimInternet::behaviourOf(const ScenarioPrinter& printer) const {
    PrinterBehaviour behaviour;
    behaviour.name = printer.name;
    behaviour.type = printer.type;
    behaviour.status = printer.status;
    behaviour.statusCycle = printer.statusChanges;
    behaviour.statusPeriod = printer.statusInterval;
    behaviour.answerDelay = printer.answerDelay;
    behaviour.answers = printer.answers;
    behaviour.spoolDirectory = printer.spool.empty() ? scenario_.spool : printer.spool;
    behaviour.failAfterBytes = printer.failAfterBytes;
    behaviour.rejectError = printer.rejectError;
    behaviour.busy = printer.busy;
    behaviour.product = printer.product;
    behaviour.version = printer.version;
    return behaviour;
}

void SimInternet::buildBeside(LinkFactory clientSegment, SegmentRouter existing) {
    const ScenarioNetwork* client = scenario_.networkFor(scenario_.clientNetwork);
    const auto onSegment = [client](std::uint16_t network) {
        return client != nullptr && network >= client->rangeStart && network <= client->rangeEnd;
    };
    // No wires and no ports: what is not on the segment is not served at all.
    wires_.resize(scenario_.networks.size());
    router_ = std::make_unique<SimRouter>(clock_, scenario_.routerNode, seed_);
    group_.add(*router_);
    // Every device on the segment, one node id each, under the segment's own network.
    const AddressPlan plan = planFor(scenario_, true);
    const auto besideRouter = [&](DeviceAddress address) {
        const std::uint64_t seed = seed_ == 0 ? 0 : seed_ * 1000 + ++nextSeed_ * 16;
        // Zone "*": the device answers for the zone the router has for the cable.
        return DevicePlacement{existing.network, existing.node, address.node, "*", seed, ProbeTiming::standard()};
    };
    for (std::size_t i = 0; i < scenario_.printers.size(); ++i) {
        const auto& printer = scenario_.printers[i];
        if (!onSegment(printer.network)) {
            leftOut_.push_back(printer.name);
            continue;
        }
        printers_.push_back(
            std::make_unique<SimPrinter>(clock_, clientSegment, besideRouter(plan.printer(i)), behaviourOf(printer)));
        group_.add(*printers_.back());
    }
    for (std::size_t i = 0; i < scenario_.fileServers.size(); ++i) {
        const auto& server = scenario_.fileServers[i];
        if (!onSegment(server.network)) {
            leftOut_.push_back(server.name);
            continue;
        }
        fileServers_.push_back(
            std::make_unique<SimFileServer>(clock_, clientSegment, besideRouter(plan.fileServer(i)), server.name));
        group_.add(*fileServers_.back());
    }
}

DevicePlacement SimInternet::placement(DeviceAddress address, const std::string& zone) {
    const ScenarioNetwork* where = scenario_.networkFor(address.network);
    const std::uint64_t seed = seed_ == 0 ? 0 : seed_ * 1000 + ++nextSeed_ * 16;
    DevicePlacement placed{
        address.network, scenario_.routerNode, address.node, zone, seed, probeTimingFor(address.network)};
    // On an in-process wire only our own nodes and the clients are there: the plan's id is
    // the device's alone. On the client's segment other nodes may hold it: the device probes.
    placed.assigned = wireFor(address.network) != nullptr;
    placed.defendsId = !where || address.network == where->rangeStart;
    return placed;
}

LinkFactory SimInternet::linksFor(std::uint16_t network, const LinkFactory& clientSegment) {
    MemoryWire* wire = wireFor(network);
    if (wire) return [wire] { return std::unique_ptr<Link>(wire->connect()); };
    return clientSegment;
}

void SimInternet::start() {
    router_->start();
    for (auto& printer : printers_) printer->start();
    for (auto& server : fileServers_) server->start();
}

bool SimInternet::isReady() const {
    if (!router_->isReady()) return false;
    for (const auto& printer : printers_)
        if (printer->isPresent() && !printer->isReady()) return false;
    for (const auto& server : fileServers_)
        if (server->isPresent() && !server->isReady()) return false;
    return true;
}

bool SimInternet::acquisitionFailed() const {
    const auto failed = [](const auto& device) { return device->acquisitionFailed(); };
    return router_->acquisitionFailed() || std::any_of(printers_.begin(), printers_.end(), failed) ||
           std::any_of(fileServers_.begin(), fileServers_.end(), failed);
}

std::unique_ptr<MemoryWireLink> SimInternet::connectClient() {
    MemoryWire* wire = wireFor(scenario_.clientNetwork);
    return wire ? wire->connect() : nullptr;
}

MemoryWire* SimInternet::wireFor(std::uint16_t network) {
    for (std::size_t i = 0; i < scenario_.networks.size(); ++i) {
        const auto& candidate = scenario_.networks[i];
        if (network >= candidate.rangeStart && network <= candidate.rangeEnd) return wires_[i].get();
    }
    return nullptr;
}

ProbeTiming SimInternet::probeTimingFor(std::uint16_t network) const {
    for (std::size_t i = 0; i < scenario_.networks.size(); ++i) {
        const auto& candidate = scenario_.networks[i];
        if (network < candidate.rangeStart || network > candidate.rangeEnd) continue;
        if (!wires_[i]) return ProbeTiming::standard();
        const bool clean = candidate.loss.value_or(scenario_.faults.loss) <= 0.0 &&
                           candidate.delay.value_or(scenario_.faults.delay) <= Duration::zero();
        return clean ? ProbeTiming::quick() : ProbeTiming::standard();
    }
    return ProbeTiming::standard();
}

SimPrinter* SimInternet::printer(std::string_view macRomanName) {
    for (auto& printer : printers_)
        if (printer->behaviour().name == macRomanName) return printer.get();
    return nullptr;
}

std::uint64_t SimInternet::framesLostToFaults() const {
    std::uint64_t lost = 0;
    for (const auto& wire : wires_)
        if (wire) lost += wire->counters().copiesLost;
    return lost;
}

std::vector<Pollable*> SimInternet::parts() {
    std::vector<Pollable*> all{router_.get()};
    for (auto& printer : printers_) all.push_back(printer.get());
    for (auto& server : fileServers_) all.push_back(server.get());
    return all;
}

} // namespace appletalk::sim
