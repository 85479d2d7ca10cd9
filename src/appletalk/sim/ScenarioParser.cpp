// SPDX-License-Identifier: MIT
#include "appletalk/sim/ScenarioParser.h"

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/sim/AddressPlan.h"
#include "appletalk/sim/RouterPortConfig.h"
#include "text/MacRoman.h"
#include "text/UniqueNameList.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <set>

namespace appletalk::sim {

namespace {

// A product name and a version as PostScript printers give them ("LaserWriter II NTX", "47.0").
constexpr std::size_t kMaxProductLength = 64;
constexpr std::size_t kMaxVersionLength = 16;

// Thrown inside the parser only: the place and the reason of the first fault.
struct Fault {
    toml::source_region where;
    std::string message;
};

[[noreturn]] void fail(const toml::source_region& where, std::string message) {
    throw Fault{where, std::move(message)};
}

void rejectUnknownKeys(const toml::table& table, std::string_view what, std::initializer_list<std::string_view> known) {
    for (const auto& [key, node] : table) {
        (void)node;
        if (std::find(known.begin(), known.end(), key.str()) == known.end())
            fail(key.source(), "unknown key '" + std::string(key.str()) + "' in " + std::string(what));
    }
}

const toml::node* find(const toml::table& table, std::string_view key) { return table.get(key); }

std::string describeKey(std::string_view what, std::string_view key) {
    return std::string(what) + "." + std::string(key);
}

std::int64_t integer(const toml::table& table, std::string_view what, std::string_view key, std::int64_t low,
                     std::int64_t high) {
    const toml::node* node = find(table, key);
    if (!node) fail(table.source(), describeKey(what, key) + " is missing");
    if (!node->is_integer()) fail(node->source(), describeKey(what, key) + " must be an integer");
    const std::int64_t value = node->as_integer()->get();
    if (value < low || value > high)
        fail(node->source(),
             describeKey(what, key) + " must lie in " + std::to_string(low) + ".." + std::to_string(high));
    return value;
}

double number(const toml::table& table, std::string_view what, std::string_view key, double low, double high) {
    const toml::node* node = find(table, key);
    if (!node->is_number()) fail(node->source(), describeKey(what, key) + " must be a number");
    const double value =
        node->is_integer() ? static_cast<double>(node->as_integer()->get()) : node->as_floating_point()->get();
    if (!std::isfinite(value) || value < low || value > high)
        fail(node->source(),
             describeKey(what, key) + " must lie in " + std::to_string(low) + ".." + std::to_string(high));
    return value;
}

bool boolean(const toml::table& table, std::string_view what, std::string_view key) {
    const toml::node* node = find(table, key);
    if (!node->is_boolean()) fail(node->source(), describeKey(what, key) + " must be true or false");
    return node->as_boolean()->get();
}

// A UTF-8 string from the file, as the Mac OS Roman bytes it travels in.
std::string macRoman(const toml::node& node, const std::string& what, std::size_t maxBytes) {
    if (!node.is_string()) fail(node.source(), what + " must be a string");
    const auto converted = vidur::text::utf8ToMacRoman(node.as_string()->get());
    if (!converted.lossless) fail(node.source(), what + " has a character that Mac OS Roman cannot carry");
    if (converted.macRoman.empty()) fail(node.source(), what + " must not be empty");
    if (converted.macRoman.size() > maxBytes)
        fail(node.source(), what + " is " + std::to_string(converted.macRoman.size()) +
                                " bytes in Mac OS Roman; at most " + std::to_string(maxBytes) + " fit");
    return converted.macRoman;
}

std::string string(const toml::table& table, std::string_view what, std::string_view key, std::size_t maxBytes) {
    const toml::node* node = find(table, key);
    if (!node) fail(table.source(), describeKey(what, key) + " is missing");
    return macRoman(*node, describeKey(what, key), maxBytes);
}

// A file system path, kept in UTF-8 as written.
std::string path(const toml::table& table, std::string_view what, std::string_view key) {
    const toml::node* node = find(table, key);
    if (!node->is_string() || node->as_string()->get().empty())
        fail(node->source(), describeKey(what, key) + " must be a folder name");
    return node->as_string()->get();
}

std::vector<std::string> stringList(const toml::table& table, std::string_view what, std::string_view key,
                                    std::size_t maxBytes) {
    const toml::node* node = find(table, key);
    if (!node) fail(table.source(), describeKey(what, key) + " is missing");
    if (!node->is_array()) fail(node->source(), describeKey(what, key) + " must be a list of strings");
    std::vector<std::string> values;
    for (const toml::node& item : *node->as_array()) values.push_back(macRoman(item, describeKey(what, key), maxBytes));
    return values;
}

Duration seconds(double value) { return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(value)); }

const toml::array* tableArray(const toml::table& root, std::string_view key) {
    const toml::node* node = find(root, key);
    if (!node) return nullptr;
    if (!node->is_array_of_tables())
        fail(node->source(), std::string(key) + " must be written as [[" + std::string(key) + "]] tables");
    return node->as_array();
}

class Reader {
public:
    explicit Reader(const toml::table& root) : root_(root) {}

    Scenario read() {
        rejectUnknownKeys(
            root_, "the scenario",
            {"title", "client_network", "router_node", "faults", "spool", "network", "printer", "file_server"});
        Scenario scenario;
        if (find(root_, "title")) scenario.title = string(root_, "scenario", "title", 255);
        if (find(root_, "spool")) scenario.spool = path(root_, "scenario", "spool");
        if (find(root_, "router_node"))
            scenario.routerNode = static_cast<std::uint8_t>(integer(root_, "scenario", "router_node", 128, 254));
        readFaults(scenario);
        readNetworks(scenario);
        scenario.clientNetwork = static_cast<std::uint16_t>(integer(root_, "scenario", "client_network", 1, 0xFEFF));
        if (!scenario.networkFor(scenario.clientNetwork))
            fail(find(root_, "client_network")->source(), "client_network is not on any network of the scenario");
        if (const auto* printers = tableArray(root_, "printer"))
            for (const toml::node& node : *printers)
                scenario.printers.push_back(readPrinter(scenario, *node.as_table()));
        if (const auto* servers = tableArray(root_, "file_server"))
            for (const toml::node& node : *servers)
                scenario.fileServers.push_back(readFileServer(scenario, *node.as_table()));
        checkCapacity(scenario);
        return scenario;
    }

private:
    void readFaults(Scenario& scenario) {
        const toml::node* node = find(root_, "faults");
        if (!node) return;
        if (!node->is_table()) fail(node->source(), "faults must be a table");
        const toml::table& faults = *node->as_table();
        rejectUnknownKeys(faults, "faults", {"loss", "delay_ms"});
        if (find(faults, "loss")) scenario.faults.loss = number(faults, "faults", "loss", 0.0, 1.0);
        if (find(faults, "delay_ms"))
            scenario.faults.delay = seconds(number(faults, "faults", "delay_ms", 0.0, 60000.0) / 1000.0);
    }

    void readNetworks(Scenario& scenario) {
        const auto* networks = tableArray(root_, "network");
        if (!networks || networks->empty()) fail(root_.source(), "a scenario needs at least one [[network]]");
        for (const toml::node& node : *networks) {
            const toml::table& table = *node.as_table();
            networkTables_.push_back(&table);
            ScenarioNetwork network = readNetwork(table);
            for (const auto& other : scenario.networks)
                if (network.rangeStart <= other.rangeEnd && other.rangeStart <= network.rangeEnd)
                    fail(table.source(), "network " + std::to_string(network.rangeStart) + " overlaps network " +
                                             std::to_string(other.rangeStart) + " already described");
            scenario.networks.push_back(std::move(network));
        }
        if (scenario.networks.size() > 64) fail(networks->source(), "at most 64 networks");
    }

    ScenarioNetwork readNetwork(const toml::table& table) {
        rejectUnknownKeys(table, "network", {"number", "zone", "range", "zones", "default_zone", "loss", "delay_ms"});
        ScenarioNetwork network;
        const bool hasNumber = find(table, "number") != nullptr;
        const bool hasRange = find(table, "range") != nullptr;
        if (hasNumber == hasRange) fail(table.source(), "a network has either number (LocalTalk) or range (extended)");
        if (hasNumber) {
            if (find(table, "zones") || find(table, "default_zone"))
                fail(table.source(), "a LocalTalk network has one zone: use zone, not zones");
            network.rangeStart = network.rangeEnd =
                static_cast<std::uint16_t>(integer(table, "network", "number", 1, 0xFEFF));
            network.zones = {string(table, "network", "zone", kMaxNameLength)};
        } else {
            if (find(table, "zone")) fail(table.source(), "an extended network lists zones, not zone");
            readRange(table, network);
            network.extended = true;
            network.zones = stringList(table, "network", "zones", kMaxNameLength);
            if (find(table, "default_zone"))
                network.defaultZone = string(table, "network", "default_zone", kMaxNameLength);
        }
        if (network.defaultZone.empty() && !network.zones.empty()) network.defaultZone = network.zones.front();
        if (find(table, "loss")) network.loss = number(table, "network", "loss", 0.0, 1.0);
        if (find(table, "delay_ms"))
            network.delay = seconds(number(table, "network", "delay_ms", 0.0, 60000.0) / 1000.0);
        const RouterPortConfig port{network.extended, network.rangeStart, network.rangeEnd, network.zones,
                                    network.defaultZone};
        if (const std::string problem = port.validate(); !problem.empty()) fail(table.source(), problem);
        return network;
    }

    static void readRange(const toml::table& table, ScenarioNetwork& network) {
        const toml::node* node = find(table, "range");
        const toml::array* range = node->as_array();
        if (!range || range->size() != 2 || !(*range)[0].is_integer() || !(*range)[1].is_integer())
            fail(node->source(), "network.range must be two integers, [first, last]");
        const std::int64_t first = (*range)[0].as_integer()->get();
        const std::int64_t last = (*range)[1].as_integer()->get();
        if (first < 1 || last > 0xFEFF || first > last)
            fail(node->source(), "network.range must lie in 1..65279, first <= last");
        network.rangeStart = static_cast<std::uint16_t>(first);
        network.rangeEnd = static_cast<std::uint16_t>(last);
    }

    // Refused at load, at the network's table: a scenario whose devices do not fit their
    // networks would leave some without an address, and clients looking for them waiting.
    void checkCapacity(const Scenario& scenario) {
        std::string problem;
        std::size_t network = 0;
        if (!AddressPlan::make(scenario, false, problem, &network))
            fail(network < networkTables_.size() ? networkTables_[network]->source() : root_.source(), problem);
    }

    // The network a device in `zone` sits on: the one given, which must have the zone, or the
    // first that has it.
    std::uint16_t place(const Scenario& scenario, const toml::table& table, const std::string& what,
                        const std::string& zone) {
        const auto hasZone = [&](const ScenarioNetwork& n) {
            return std::any_of(n.zones.begin(), n.zones.end(),
                               [&](const std::string& z) { return vidur::text::compareFolded(z, zone) == 0; });
        };
        if (find(table, "network")) {
            const auto number = static_cast<std::uint16_t>(integer(table, what, "network", 1, 0xFEFF));
            const ScenarioNetwork* network = scenario.networkFor(number);
            if (!network) fail(find(table, "network")->source(), what + ".network is not a network of the scenario");
            if (!hasZone(*network))
                fail(find(table, "zone")->source(), what + ".zone is not a zone of network " + std::to_string(number));
            return number;
        }
        for (const auto& network : scenario.networks)
            if (hasZone(network)) return network.rangeStart;
        fail(find(table, "zone")->source(),
             what + ".zone '" + vidur::text::macRomanToUtf8(zone) + "' is not a zone of any network");
    }

    std::uint8_t nodeId(const toml::table& table, const std::string& what, std::uint16_t network) {
        if (!find(table, "node")) return 0;
        const auto node = static_cast<std::uint8_t>(integer(table, what, "node", 128, 254));
        if (!takenNodes_.insert({network, node}).second)
            fail(find(table, "node")->source(), what + ".node " + std::to_string(node) + " is taken on that network");
        return node;
    }

    void checkUnique(const toml::table& table, const std::string& what, const nbp::NbpName& name) {
        // One key per entity, each part after its length, so no two entities share a key.
        std::string key;
        for (const std::string* part : {&name.object, &name.type, &name.zone}) {
            key += static_cast<char>(part->size());
            key += *part;
        }
        if (!names_.add(std::move(key)))
            fail(table.source(), what + " '" + vidur::text::macRomanToUtf8(name.object) + ":" +
                                     vidur::text::macRomanToUtf8(name.type) + "' is already in that zone");
        if (!nbp::NbpName{name.object, name.type, "*"}.isRegistrable())
            fail(table.source(), what + ".name and type must not hold the wildcards = or \xE2\x89\x88");
    }

    ScenarioPrinter readPrinter(const Scenario& scenario, const toml::table& table) {
        rejectUnknownKeys(
            table, "printer",
            {"name", "type", "zone", "network", "node", "status", "status_changes", "status_interval", "answer_delay",
             "answers", "spool", "fail_after_bytes", "reject_with_error", "busy", "product", "version"});
        ScenarioPrinter printer;
        printer.name = string(table, "printer", "name", kMaxNameLength);
        if (find(table, "type")) printer.type = string(table, "printer", "type", kMaxNameLength);
        printer.zone = string(table, "printer", "zone", kMaxNameLength);
        printer.network = place(scenario, table, "printer", printer.zone);
        printer.networkGiven = find(table, "network") != nullptr;
        printer.node = nodeId(table, "printer", printer.network);
        checkUnique(table, "printer", {printer.name, printer.type, printer.zone});
        if (find(table, "status")) printer.status = string(table, "printer", "status", pap::PapStatus::kMaxLength);
        if (find(table, "status_changes"))
            printer.statusChanges = stringList(table, "printer", "status_changes", pap::PapStatus::kMaxLength);
        if (find(table, "status_interval"))
            printer.statusInterval = seconds(number(table, "printer", "status_interval", 0.1, 86400.0));
        if (find(table, "answer_delay"))
            printer.answerDelay = seconds(number(table, "printer", "answer_delay", 0.0, 600.0));
        if (find(table, "answers")) printer.answers = boolean(table, "printer", "answers");
        if (find(table, "spool")) printer.spool = path(table, "printer", "spool");
        if (find(table, "fail_after_bytes"))
            printer.failAfterBytes =
                static_cast<std::uint64_t>(integer(table, "printer", "fail_after_bytes", 0, INT64_MAX));
        if (find(table, "reject_with_error")) printer.rejectError = string(table, "printer", "reject_with_error", 200);
        if (find(table, "busy")) printer.busy = boolean(table, "printer", "busy");
        if (find(table, "product")) printer.product = string(table, "printer", "product", kMaxProductLength);
        if (find(table, "version")) printer.version = string(table, "printer", "version", kMaxVersionLength);
        return printer;
    }

    ScenarioFileServer readFileServer(const Scenario& scenario, const toml::table& table) {
        rejectUnknownKeys(table, "file_server", {"name", "zone", "network", "node"});
        ScenarioFileServer server;
        server.name = string(table, "file_server", "name", kMaxNameLength);
        server.zone = string(table, "file_server", "zone", kMaxNameLength);
        server.network = place(scenario, table, "file_server", server.zone);
        server.networkGiven = find(table, "network") != nullptr;
        server.node = nodeId(table, "file_server", server.network);
        checkUnique(table, "file_server", {server.name, "AFPServer", server.zone});
        return server;
    }

    const toml::table& root_;
    std::vector<const toml::table*> networkTables_;
    std::set<std::pair<std::uint16_t, std::uint8_t>> takenNodes_;
    vidur::text::UniqueNameList names_; // every entity's name, case folded
};

ScenarioError errorAt(const std::string& file, const toml::source_region& where, std::string message) {
    return ScenarioError{file, where.begin.line, where.begin.column, std::move(message)};
}

} // namespace

std::optional<Scenario> ScenarioParser::parse(std::string_view text, const std::string& sourceName,
                                              ScenarioError& error) {
    try {
        const toml::table root = toml::parse(text, sourceName);
        Scenario scenario = Reader(root).read();
        scenario.source = sourceName;
        return scenario;
    } catch (const toml::parse_error& e) {
        error = errorAt(sourceName, e.source(), std::string(e.description()));
    } catch (const Fault& fault) {
        error = errorAt(sourceName, fault.where, fault.message);
    }
    return std::nullopt;
}

} // namespace appletalk::sim
