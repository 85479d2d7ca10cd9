// SPDX-License-Identifier: MIT
// A simulated internet as a scenario file describes it: networks (LocalTalk with one number
// and zone, or extended with a range and zones), the network the client's node sits on,
// printers, file servers and faults. Names are kept in Mac OS Roman, as they travel; the file
// itself is UTF-8. The file format is in scenarios/README.md.
#pragma once

#include "appletalk/node/Clock.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::sim {

struct ScenarioNetwork {
    bool extended = false;
    std::uint16_t rangeStart = 0;
    std::uint16_t rangeEnd = 0;
    std::vector<std::string> zones; // Mac OS Roman
    std::string defaultZone;
    std::optional<double> loss; // overrides the scenario's faults on this wire
    std::optional<Duration> delay;
};

struct ScenarioPrinter {
    std::string name; // Mac OS Roman, as every name below
    std::string type = "LaserWriter";
    std::string zone;
    std::uint16_t network = 0; // resolved: the given one, else the first network with the zone
    bool networkGiven = false; // the file named the number; else any number of that network
    std::uint8_t node = 0; // asked for; 0: any (AddressPlan gives every device its address)
    std::string status = "status: idle";
    std::vector<std::string> statusChanges;
    Duration statusInterval = std::chrono::seconds(10);
    Duration answerDelay{};
    bool answers = true;
    std::string spool; // a folder for this printer's jobs (UTF-8 path); empty: the scenario's
    std::optional<std::uint64_t> failAfterBytes;
    std::string rejectError; // PostScript error every job is rejected with
    bool busy = false; // every OpenConn answered busy
    std::string product = "LaserWriter"; // what a query for the product is answered
    std::string version = "23.0";
};

struct ScenarioFileServer {
    std::string name;
    std::string zone;
    std::uint16_t network = 0;
    bool networkGiven = false;
    std::uint8_t node = 0;
};

struct ScenarioFaults {
    double loss = 0.0;
    Duration delay{};
};

// Where and why a scenario file was refused.
struct ScenarioError {
    std::string file;
    std::size_t line = 0; // 1-based; 0 when not known
    std::size_t column = 0;
    std::string message;

    // "file:line:column: message"
    std::string describe() const;
};

class Scenario {
public:
    std::string source; // the file name, or "<built-in>"
    std::string title;
    std::uint8_t routerNode = 254;
    std::uint16_t clientNetwork = 0;
    std::vector<ScenarioNetwork> networks;
    std::vector<ScenarioPrinter> printers;
    std::vector<ScenarioFileServer> fileServers;
    ScenarioFaults faults;
    std::string spool; // where every printer without its own spool folder keeps its jobs

    // The scenario in `text`; `sourceName` names it in errors. Sets `error` and returns
    // nothing when the text is not a valid scenario.
    static std::optional<Scenario> parse(std::string_view text, const std::string& sourceName, ScenarioError& error);
    static std::optional<Scenario> load(const std::string& path, ScenarioError& error);
    // The embedded default network.
    static Scenario builtin();
    static std::string_view builtinText();

    const ScenarioNetwork* networkFor(std::uint16_t network) const;
};

} // namespace appletalk::sim
