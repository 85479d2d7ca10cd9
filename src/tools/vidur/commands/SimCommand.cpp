#include "tools/vidur/commands/SimCommand.h"

#include "appletalk/node/EventLoop.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/link/LToUdpLink.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SimInternet.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/DeviceList.h"

#include <arpa/inet.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace appletalk;
using appletalk::text::macRomanToUtf8;

constexpr int kReadyWaitMs = 20000;
constexpr int kReadyPollMs = 50;

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
    config.senderId = 0;  // a random id per link: several simulators may share the group
    return config;
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
        shown.zone = device.placement().zone;
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

} // namespace

std::string SimCommand::details() const {
    return "Without SCENARIO the built-in network is served. The devices on the scenario's client\n"
           "network join the LToUDP group on the interface; the other networks stay simulated\n"
           "behind the router. Once every node has its address the devices are printed, one a\n"
           "line; Ctrl-C stops serving (exit 0).\n";
}

std::vector<OptionSpec> SimCommand::options() const {
    return {{"ltoudp", {}, "serve on LToUDP (LocalTalk frames in UDP multicast)"},
            {"interface", "ADDR", "IPv4 address of the interface to join the group on (default 127.0.0.1)"},
            {"ttl", "N", "multicast TTL, 0 keeps frames on this host (default 1)"},
            {"port", "N", "UDP port of the group (default 1954)"},
            {"spool", "DIR", "keep every printer's jobs in DIR, one file each"}};
}

int SimCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    if (!arguments.has("ltoudp")) throw UsageError("say where to serve: --ltoudp");
    const LToUdpConfig config = linkConfig(arguments);
    auto scenario = loadScenario(arguments, io);
    if (!scenario) return kExitError;
    if (const auto spool = arguments.value("spool")) {
        std::error_code ec;
        std::filesystem::create_directories(*spool, ec);
        if (!std::filesystem::is_directory(*spool, ec) || ::access(spool->c_str(), W_OK) != 0) {
            io.err << "vidur sim: " << *spool << ": not a folder jobs can be written to\n";
            return kExitError;
        }
        scenario->spool = *spool;
    }

    // One link on its own first, so a socket that cannot be set up is one clear message.
    std::string error;
    if (!LToUdpLink::open(config, error)) {
        io.err << "vidur sim: LToUDP on " << config.interfaceAddress << ": " << error << "\n";
        return kExitError;
    }
    // Devices that come back open links later, on the loop's thread.
    std::atomic<bool> linkFailed{false};
    auto links = [config, &linkFailed]() -> std::unique_ptr<Link> {
        std::string ignored;
        auto link = LToUdpLink::open(config, ignored);
        if (!link) linkFailed.store(true);
        return link;
    };

    const StopSignal stop;
    SystemClock clock;
    sim::SimInternet internet(clock, *scenario, links, 0);
    if (linkFailed.load()) {
        io.err << "vidur sim: LToUDP on " << config.interfaceAddress << ": a device's socket could not be set up\n";
        return kExitError;
    }
    EventLoop loop(clock);
    for (Pollable* part : internet.parts()) loop.add(*part);
    internet.start();
    loop.start();

    bool ready = false;
    for (int waited = 0; waited < kReadyWaitMs && !ready; waited += kReadyPollMs) {
        if (stop.waitFor(kReadyPollMs)) break;
        ready = loop.invoke([&internet] { return internet.isReady(); });
    }
    if (ready) {
        io.out << loop.invoke([&internet] { return deviceTable(internet); }) << std::flush;
        io.err << "vidur sim: serving '" << macRomanToUtf8(scenario->title) << "' on LToUDP " << config.interfaceAddress
               << " port " << config.port << "; Ctrl-C stops\n";
        if (!scenario->spool.empty()) io.err << "vidur sim: printers spool their jobs to " << scenario->spool << "\n";
    } else if (!StopSignal::requested()) {
        io.err << "vidur sim: not every simulated node got an address; serving what there is\n";
    }
    while (!stop.waitFor(1000)) {
    }
    loop.stop();
    io.err << "vidur sim: stopped\n";
    return kExitSuccess;
}

} // namespace vidur::cli
