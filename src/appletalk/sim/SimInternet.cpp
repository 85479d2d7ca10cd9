// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimInternet.h"

namespace appletalk::sim {

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

SimInternet::~SimInternet() {
    for (Pollable* part : parts()) group_.remove(*part);
}

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
    for (const auto& network : scenario_.networks) {
        const RouterPortConfig port{network.extended, network.rangeStart, network.rangeEnd, network.zones,
                                    network.defaultZone};
        router_->addPort(linksFor(network.rangeStart, clientSegment)(), port, probeTimingFor(network.rangeStart));
    }
    group_.add(*router_);
    for (const auto& printer : scenario_.printers) {
        const PrinterBehaviour behaviour = behaviourOf(printer);
        auto placed = placement(printer.network, printer.node, printer.zone);
        printers_.push_back(
            std::make_unique<SimPrinter>(clock_, linksFor(printer.network, clientSegment), placed, behaviour));
        group_.add(*printers_.back());
    }
    for (const auto& server : scenario_.fileServers) {
        auto placed = placement(server.network, server.node, server.zone);
        fileServers_.push_back(
            std::make_unique<SimFileServer>(clock_, linksFor(server.network, clientSegment), placed, server.name));
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
    const auto besideRouter = [&](std::uint8_t node) {
        const std::uint64_t seed = seed_ == 0 ? 0 : seed_ * 1000 + ++nextSeed_ * 16;
        // Zone "*": the device answers for the zone the router has for the cable.
        return DevicePlacement{existing.network, existing.node, node, "*", seed, ProbeTiming::standard()};
    };
    for (const auto& printer : scenario_.printers) {
        if (!onSegment(printer.network)) {
            leftOut_.push_back(printer.name);
            continue;
        }
        const PrinterBehaviour behaviour = behaviourOf(printer);
        printers_.push_back(std::make_unique<SimPrinter>(clock_, clientSegment, besideRouter(printer.node), behaviour));
        group_.add(*printers_.back());
    }
    for (const auto& server : scenario_.fileServers) {
        if (!onSegment(server.network)) {
            leftOut_.push_back(server.name);
            continue;
        }
        fileServers_.push_back(
            std::make_unique<SimFileServer>(clock_, clientSegment, besideRouter(server.node), server.name));
        group_.add(*fileServers_.back());
    }
}

DevicePlacement SimInternet::placement(std::uint16_t network, std::uint8_t node, const std::string& zone) {
    // A device on an extended network takes the first number of the range, as the router's
    // port does: the node keeps one THIS-NET.
    const ScenarioNetwork* where = scenario_.networkFor(network);
    const std::uint64_t seed = seed_ == 0 ? 0 : seed_ * 1000 + ++nextSeed_ * 16;
    return DevicePlacement{
        where ? where->rangeStart : network, scenario_.routerNode, node, zone, seed, probeTimingFor(network)};
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

std::vector<Pollable*> SimInternet::parts() {
    std::vector<Pollable*> all{router_.get()};
    for (auto& printer : printers_) all.push_back(printer.get());
    for (auto& server : fileServers_) all.push_back(server.get());
    return all;
}

} // namespace appletalk::sim
