// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ZonesCommand.h"
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/ZoneQuery.h"
#include "tools/vidur/output/JsonWriter.h"

#include <algorithm>

namespace vidur::cli {

using vidur::text::compareBytes;
using vidur::text::compareFolded;
using vidur::text::macRomanToUtf8;

std::string ZonesCommand::details() const {
    return "Prints one zone a line in UTF-8, sorted without regard to case. Exit status 1 when\n"
           "there are no zones (no router on the network).\n";
}

std::vector<OptionSpec> ZonesCommand::options() const {
    return {{"mine", {}, "only the zone this node is in"},
            {"local", {}, "only the zones of this node's cable"},
            {"json", {}, "print a JSON array of zone names"},
            {"timeout", "S", "seconds to wait for the router (default 10)"}};
}

std::vector<std::string> ZonesCommand::sortedZones(std::vector<std::string> zones) {
    std::sort(zones.begin(), zones.end(), [](const std::string& a, const std::string& b) {
        const int folded = compareFolded(a, b);
        return folded != 0 ? folded < 0 : compareBytes(a, b) < 0;
    });
    zones.erase(std::unique(zones.begin(), zones.end(),
                            [](const std::string& a, const std::string& b) { return compareFolded(a, b) == 0; }),
                zones.end());
    return zones;
}

std::string ZonesCommand::format(const std::vector<std::string>& zones, bool json) {
    if (json) {
        Json names = Json::array();
        for (const auto& zone : zones) names.push_back(macRomanToUtf8(zone));
        return JsonWriter::line(names);
    }
    std::string text;
    for (const auto& zone : zones) text += terminalText(zone) + "\n";
    return text;
}

int ZonesCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    if (arguments.has("mine") && arguments.has("local")) throw UsageError("--mine and --local cannot be combined");
    const auto timeout = std::chrono::milliseconds(static_cast<long>(arguments.seconds("timeout", 10, 600) * 1000));
    const ZoneQuery query(timeout);
    const ZoneQuery::Result result = arguments.has("mine")    ? query.myZone()
                                     : arguments.has("local") ? query.localZones()
                                                              : query.allZones();
    const bool json = arguments.has("json");
    if (result.status != 0 && !LibraryStatus::meansNothingFound(result.status)) {
        io.err << "vidur zones: " << LibraryStatus::describe(result.status) << "\n";
        return kExitError;
    }
    const auto zones = sortedZones(result.zones);
    io.out << format(zones, json);
    if (zones.empty()) {
        io.err << "vidur zones: no zones"
               << (result.status != 0 ? ": " + LibraryStatus::describe(result.status) : std::string()) << "\n";
        return kExitNothingFound;
    }
    return kExitSuccess;
}

} // namespace vidur::cli
