// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/SimCommand.h"

#include "appletalk/node/EventLoop.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/ethertalk/EtherTalkBridge.h"
#include "appletalk/node/ltoudp/LToUdpBridge.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/sim/AddressPlan.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SegmentRouterProbe.h"
#include "appletalk/sim/SimInternet.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/DeviceList.h"
#include "tools/vidur/output/TerminalText.h"

#include <arpa/inet.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace appletalk;
using vidur::text::macRomanToUtf8;

constexpr int kReadyWaitMs = 20000;
constexpr int kReadyPollMs = 50;
// The node's own address (2 s of probes), then up to three RTMP Requests 1 s apart.
constexpr auto kRouterPatience = std::chrono::milliseconds(5500);

appletalk::LToUdpConfig linkConfig(const ParsedArguments& arguments) {
    LToUdpConfig config;
    if (const auto address = arguments.value("interface")) {
        in_addr parsed{};
        if (inet_pton(AF_INET, address->c_str(), &parsed) != 1)
            throw UsageError("--interface takes an IPv4 address, not '" + *address + "'");
        config.interfaceAddress = *address;
    }
    config.ttl = static_cast<int>(arguments.integer("ttl", 1, 0, 255));
    config.port = static_cast<std::uint16_t>(arguments.integer("port", config.port, 1, 65535));
    config.senderId = 0; // a random id per link: several simulators may share the group
    return config;
}

// An EtherTalk cable is an extended network: a LocalTalk-style client network becomes the
// range of its one number, with its one zone. Returns what to tell, should the scenario's
// router serve the cable.
std::string makeClientNetworkExtended(sim::Scenario& scenario) {
    std::string note;
    for (sim::ScenarioNetwork& network : scenario.networks) {
        if (network.extended || scenario.clientNetwork < network.rangeStart ||
            scenario.clientNetwork > network.rangeEnd)
            continue;
        network.extended = true;
        if (network.defaultZone.empty() && !network.zones.empty()) network.defaultZone = network.zones.front();
        note += "vidur sim: network " + std::to_string(network.rangeStart) + " is served on EtherTalk as the range " +
                std::to_string(network.rangeStart) + "-" + std::to_string(network.rangeEnd) + "\n";
    }
    return note;
}

std::optional<sim::Scenario> loadScenario(const ParsedArguments& arguments, CommandIo& io) {
    if (arguments.positionals().empty()) return sim::Scenario::builtin();
    sim::ScenarioError error;
    auto scenario = sim::Scenario::load(arguments.positionals()[0], error);
    if (!scenario) io.err << "vidur sim: " << error.describe() << "\n";
    return scenario;
}

// The devices as the look-up shows them, read on the loop's thread.
std::string deviceTable(sim::SimInternet& internet) {
    DeviceList devices;
    auto addDevice = [&devices](const sim::SimDevice& device) {
        const DdpAddress address = device.entityAddress();
        Device shown;
        shown.object = device.name().object;
        shown.type = device.name().type;
        shown.zone = device.zone();
        shown.network = address.network;
        shown.node = address.node;
        shown.socket = address.socket;
        devices.add(std::move(shown));
    };
    for (const auto& printer : internet.printers()) addDevice(*printer);
    for (const auto& server : internet.fileServers()) addDevice(*server);
    devices.sort();
    return devices.table();
}

// Where frames went missing while serving, for whoever wonders where a reply went.
std::string lossReport(std::uint64_t socketDrops, sim::SimInternet& internet) {
    const sim::SimRouterCounters& router = internet.router().counters();
    return "frames lost: " + std::to_string(socketDrops) + " to the socket's full receive buffer, " +
           std::to_string(internet.framesLostToFaults()) +
           " to the scenario's faults; datagrams the router dropped: " + std::to_string(router.droppedNoRoute) +
           " without a route, " + std::to_string(router.droppedHopCount) + " past 15 routers, " +
           std::to_string(router.droppedSendFailed) + " it could not send";
}

// What became of a job, as `vidur sim` tells it: names and titles came from the network.
std::string jobLine(const sim::SimPrinter& printer, const sim::SimPrinter::JobRecord& job) {
    std::string line = "vidur sim: " + terminalText(printer.behaviour().name) + ": job '" + terminalText(job.title) +
                       "', " + std::to_string(job.bytes) + " bytes, ";
    if (job.rejected) return line + "rejected\n";
    if (!job.complete) return line + "cut off before its end\n";
    if (!job.spoolFile.empty()) return line + "kept in " + job.spoolFile + "\n";
    return line + (job.problem.empty() ? "printed\n" : "not kept: " + job.problem + "\n");
}

// The one segment served, the bridge whose socket every node of it shares (EtherTalk or
// LToUDP), and how to name it.
struct Segment {
    std::unique_ptr<EtherTalkBridge> etherBridge;
    std::unique_ptr<LToUdpBridge> udpBridge;
    Pollable* bridge = nullptr;
    sim::LinkFactory links;
    std::string where;
    std::string networkName; // as the library's messages name a network

    // Read on the loop's thread, which owns the socket's counters.
    std::uint64_t framesDropped() const {
        return etherBridge ? etherBridge->link().framesDropped() : udpBridge->link().framesDropped();
    }
};

void checkSegmentOptions(const ParsedArguments& arguments, const std::optional<std::string>& etherTalk) {
    if (etherTalk && arguments.has("ltoudp")) throw UsageError("serve on one segment: --ltoudp or --ethertalk IFACE");
    if (!etherTalk && !arguments.has("ltoudp")) throw UsageError("say where to serve: --ltoudp or --ethertalk IFACE");
    if (arguments.has("router") && arguments.has("no-router")) throw UsageError("--router or --no-router, not both");
}

bool useSpoolFolder(const ParsedArguments& arguments, sim::Scenario& scenario, CommandIo& io) {
    const auto spool = arguments.value("spool");
    if (!spool) return true;
    std::error_code ec;
    std::filesystem::create_directories(*spool, ec);
    if (!std::filesystem::is_directory(*spool, ec) || ::access(spool->c_str(), W_OK) != 0) {
        io.err << "vidur sim: " << *spool << ": not a folder jobs can be written to\n";
        return false;
    }
    scenario.spool = *spool;
    return true;
}

template <typename LinkType>
void adviseOnReceiveBuffer(const LinkType& link, CommandIo& io) {
    if (const auto buffer = link.receiveBuffer(); buffer && buffer->isShort())
        io.err << "vidur sim: " << buffer->advice() << "\n";
}

std::optional<Segment> openEtherTalk(Clock& clock, const std::string& interface, CommandIo& io) {
    std::string error;
    auto link = EtherTalkLink::open(interface, error);
    if (!link) {
        io.err << "vidur sim: " << error << "\n";
        return std::nullopt;
    }
    Segment segment;
    segment.where = "EtherTalk " + interface + " (" + link->hardwareAddress()->toString() + ")";
    adviseOnReceiveBuffer(*link, io);
    segment.networkName = "EtherTalk on " + interface;
    segment.etherBridge = std::make_unique<EtherTalkBridge>(clock, std::move(link));
    segment.links = [station = segment.etherBridge.get()]() -> std::unique_ptr<Link> { return station->connect(); };
    segment.bridge = segment.etherBridge.get();
    return segment;
}

std::optional<Segment> openLToUdp(Clock& clock, const ParsedArguments& arguments, CommandIo& io) {
    const LToUdpConfig config = linkConfig(arguments);
    std::string error;
    auto link = LToUdpLink::open(config, error);
    if (!link) {
        io.err << "vidur sim: LToUDP on " << config.interfaceAddress << ": " << error << "\n";
        return std::nullopt;
    }
    Segment segment;
    segment.where = "LToUDP " + config.interfaceAddress + " port " + std::to_string(config.port);
    adviseOnReceiveBuffer(*link, io);
    segment.networkName = "LToUDP on " + config.interfaceAddress + " port " + std::to_string(config.port);
    // Every node of the segment behind one socket (see LToUdpBridge).
    segment.udpBridge = std::make_unique<LToUdpBridge>(clock, std::move(link));
    segment.links = [station = segment.udpBridge.get()]() -> std::unique_ptr<Link> { return station->connect(); };
    segment.bridge = segment.udpBridge.get();
    return segment;
}

// The router the devices join under: the segment's own when one answers (unless --router),
// none at all with --no-router (an empty one), else nullopt and the scenario's router
// serves, after the note on networks made extended for EtherTalk.
std::optional<sim::SegmentRouter> routerToJoin(Clock& clock, const Segment& segment, const ParsedArguments& arguments,
                                               const std::string& extendedNote, bool& routerFound, CommandIo& io) {
    std::optional<sim::SegmentRouter> existing;
    if (!arguments.has("router")) {
        existing = sim::findSegmentRouter(clock, segment.links, segment.bridge, kRouterPatience,
                                          [] { return StopSignal::requested(); });
        if (existing)
            io.err << "vidur sim: a router already serves this segment (node " << unsigned{existing->node}
                   << " on network " << existing->network
                   << "); the devices join as plain nodes under it, and the scenario's router stays away\n";
    }
    routerFound = existing.has_value();
    if (!existing && arguments.has("no-router")) {
        io.err << "vidur sim: no router answered on this segment; the devices join it as plain nodes without one\n";
        existing = sim::SegmentRouter{};
    }
    if (!existing) io.err << extendedNote;
    return existing;
}

std::unique_ptr<sim::SimInternet> makeInternet(Clock& clock, const sim::Scenario& scenario, const Segment& segment,
                                               const std::optional<sim::SegmentRouter>& existing, CommandIo& io) {
    try {
        return existing ? std::make_unique<sim::SimInternet>(clock, scenario, segment.links, 0, *existing)
                        : std::make_unique<sim::SimInternet>(clock, scenario, segment.links, 0);
    } catch (const std::invalid_argument& refused) {
        io.err << "vidur sim: " << refused.what() << "\n";
        return nullptr;
    }
}

void reportLeftOut(const sim::SimInternet& internet, bool routerFound, CommandIo& io) {
    if (internet.leftOut().empty()) return;
    io.err << (routerFound ? "vidur sim: not served, as their networks cannot exist beside the segment's router:"
                           : "vidur sim: not served, as no router reaches their networks:");
    for (const std::string& name : internet.leftOut()) io.err << " '" << macRomanToUtf8(name) << "'";
    io.err << "\n";
}

// Job lines come from the loop's thread while this one writes its own: both under `output`.
void tellEndedJobs(sim::SimInternet& internet, std::mutex& output, CommandIo& io) {
    for (const auto& printer : internet.printers()) {
        printer->setJobEnded([&output, &io, &printer = *printer](const sim::SimPrinter::JobRecord& job) {
            std::lock_guard lock(output);
            io.err << jobLine(printer, job) << std::flush;
        });
    }
}

enum class Addresses { AllAcquired, SomeMissing, NoneFree };

Addresses waitForAddresses(EventLoop& loop, sim::SimInternet& internet, const StopSignal& stop) {
    for (int waited = 0; waited < kReadyWaitMs; waited += kReadyPollMs) {
        if (stop.waitFor(kReadyPollMs)) break;
        if (loop.invoke([&internet] { return internet.acquisitionFailed(); })) return Addresses::NoneFree;
        if (loop.invoke([&internet] { return internet.isReady(); })) return Addresses::AllAcquired;
    }
    return Addresses::SomeMissing;
}

void announceServing(EventLoop& loop, sim::SimInternet& internet, bool ready, const sim::Scenario& scenario,
                     const Segment& segment, std::mutex& output, CommandIo& io) {
    // The table first: the loop's thread may be waiting for the lock.
    const std::string table = ready ? loop.invoke([&internet] { return deviceTable(internet); }) : "";
    std::lock_guard lock(output);
    if (ready) {
        io.out << table << std::flush;
        io.err << "vidur sim: serving '" << macRomanToUtf8(scenario.title) << "' on " << segment.where
               << "; Ctrl-C stops\n";
        if (!scenario.spool.empty()) io.err << "vidur sim: printers spool their jobs to " << scenario.spool << "\n";
    } else if (!StopSignal::requested()) {
        io.err << "vidur sim: not every simulated node got an address; serving what there is\n";
    }
}

// Frames the socket lost are said when it happens, at most once a second, so a reply missing
// on the network can be matched with its cause. Answers the count at the end.
std::uint64_t serveUntilStopped(EventLoop& loop, const Segment& segment, const StopSignal& stop, std::mutex& output,
                                CommandIo& io) {
    const auto socketDrops = [&] { return loop.invoke([&segment] { return segment.framesDropped(); }); };
    std::uint64_t droppedBefore = socketDrops();
    while (!stop.waitFor(1000)) {
        const std::uint64_t dropped = socketDrops();
        if (dropped <= droppedBefore) continue;
        std::lock_guard lock(output);
        io.err << "vidur sim: " << dropped - droppedBefore
               << " frames lost to the socket's full receive buffer in the last second (" << dropped << " in all)\n";
        droppedBefore = dropped;
    }
    return socketDrops();
}

} // namespace

std::string SimCommand::details() const {
    return "Without SCENARIO the built-in network is served. The devices on the scenario's client\n"
           "network join the LToUDP group on the interface (--ltoudp), or the Ethernet interface\n"
           "as EtherTalk nodes (--ethertalk IFACE, which needs CAP_NET_RAW); the other networks stay\n"
           "simulated behind the router. Once every node has its address the devices are printed, one a\n"
           "line; Ctrl-C stops serving (exit 0).\n";
}

std::vector<OptionSpec> SimCommand::options() const {
    return {{"ltoudp", {}, "serve on LToUDP (LocalTalk frames in UDP multicast)"},
            {"ethertalk", "IFACE", "serve on EtherTalk Phase 2 on the Ethernet interface IFACE"},
            {"router", {}, "bring the scenario's router onto the segment even if one answers there"},
            {"no-router", {}, "serve the devices as plain nodes, under the segment's own router if any"},
            {"interface", "ADDR", "IPv4 address of the interface to join the group on (default 127.0.0.1)"},
            {"ttl", "N", "multicast TTL, 0 keeps frames on this host (default 1)"},
            {"port", "N", "UDP port of the group (default 1954)"},
            {"spool", "DIR", "keep every printer's jobs in DIR, one file each"}};
}

int SimCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const auto etherTalk = arguments.value("ethertalk");
    checkSegmentOptions(arguments, etherTalk);
    auto scenario = loadScenario(arguments, io);
    if (!scenario || !useSpoolFolder(arguments, *scenario, io)) return kExitError;
    const std::string extendedNote = etherTalk ? makeClientNetworkExtended(*scenario) : std::string();
    // The segment holds what its kind of cable holds: refused now, not with devices missing.
    std::string tooMany;
    if (!sim::AddressPlan::make(*scenario, !etherTalk, tooMany)) {
        io.err << "vidur sim: " << scenario->source << ": " << tooMany << "\n";
        return kExitError;
    }

    const StopSignal stop;
    SystemClock clock;
    const std::optional<Segment> segment =
        etherTalk ? openEtherTalk(clock, *etherTalk, io) : openLToUdp(clock, arguments, io);
    if (!segment) return kExitError;
    bool routerFound = false;
    const auto existing = routerToJoin(clock, *segment, arguments, extendedNote, routerFound, io);
    const std::unique_ptr<sim::SimInternet> internet = makeInternet(clock, *scenario, *segment, existing, io);
    if (!internet) return kExitError;
    reportLeftOut(*internet, routerFound, io);
    std::mutex output;
    tellEndedJobs(*internet, output, io);
    EventLoop loop(clock);
    // The bridge holds the one descriptor; every simulated node is on in-process wires.
    loop.add(*segment->bridge);
    loop.add(*internet);
    internet->start();
    loop.start();

    const Addresses addresses = waitForAddresses(loop, *internet, stop);
    if (addresses == Addresses::NoneFree) {
        // A station claims every address: serving without one would only probe on for ever.
        loop.stop();
        io.err << "vidur sim: " << Node::noFreeAddressMessage(segment->networkName) << "\n";
        return kExitError;
    }
    announceServing(loop, *internet, addresses == Addresses::AllAcquired, *scenario, *segment, output, io);
    const std::uint64_t droppedAtEnd = serveUntilStopped(loop, *segment, stop, output, io);
    loop.stop();
    io.err << "vidur sim: " << lossReport(droppedAtEnd, *internet) << "\n";
    io.err << "vidur sim: stopped\n";
    return kExitSuccess;
}

} // namespace vidur::cli
