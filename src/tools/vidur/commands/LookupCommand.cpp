// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/LookupCommand.h"

#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/commands/DeviceLookup.h"
#include "tools/vidur/commands/EntityPattern.h"
#include "tools/vidur/commands/FrameLossWatch.h"
#include "tools/vidur/commands/ZoneQuery.h"

namespace vidur::cli {

namespace {

// As long as the Chooser's look-up: two sends, replies on the embedded network within it.
constexpr double kDefaultTimeoutSeconds = 0.5;
constexpr double kMaxTimeoutSeconds = 60;

// Devices on a LocalTalk cable may answer with zone "*": show the zone that was meant.
void nameTheZone(DeviceList& devices, const EntityPattern& pattern) {
    std::string zone = pattern.zone();
    if (zone == "*") {
        const auto mine = ZoneQuery(std::chrono::seconds(2)).myZone();
        if (mine.status != 0 || mine.zones.empty()) return;
        zone = mine.zones.front();
    }
    DeviceList named;
    for (Device device : devices.devices()) {
        if (device.zone.empty() || device.zone == "*") device.zone = zone;
        named.add(std::move(device));
    }
    named.sort();
    devices = std::move(named);
}

} // namespace

std::string LookupCommand::details() const {
    return "OBJECT and TYPE default to \"=\" (anything), ZONE to \"*\" (this node's zone). One \xE2\x89\x88 in\n"
           "OBJECT or TYPE matches any run of characters, e.g. 'Laser\xE2\x89\x88'. The zone starts after the\n"
           "last '@', the type after the last ':' before it. Devices are sorted by name, then type.\n"
           "Exit status 1 when no device answered, 3 when frames were lost during the look-up (the\n"
           "list may be incomplete; a too small receive buffer is named at the start).\n";
}

std::vector<OptionSpec> LookupCommand::options() const {
    return {{"max", "N", "stop after N devices (1 to 1024, default 1024)"},
            {"timeout", "S", "seconds to keep asking (default 0.5)"},
            {"json", {}, "print a JSON array of devices"}};
}

int LookupCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const EntityPattern pattern =
        EntityPattern::parse(arguments.positionals().empty() ? std::string() : arguments.positionals()[0]);
    const long max = arguments.integer("max", kDefaultMax, 1, kDefaultMax);
    const double seconds = arguments.seconds("timeout", kDefaultTimeoutSeconds, kMaxTimeoutSeconds);
    FrameLossWatch losses("vidur lookup: ", io.err);
    auto result =
        DeviceLookup::run(pattern, static_cast<int>(max), std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    if (result.status != 0 && !LibraryStatus::meansNothingFound(result.status)) {
        io.err << "vidur lookup: " << LibraryStatus::describe(result.status) << "\n";
        return kExitError;
    }
    // Counted before the zone is named: that asks the network again.
    const bool incomplete = losses.lost() != 0;
    nameTheZone(result.devices, pattern);
    io.out << (arguments.has("json") ? result.devices.json() : result.devices.table());
    if (result.devices.empty()) io.err << "vidur lookup: nothing answered to " << pattern.display() << "\n";
    // A short list is not a complete one, nor is silence: a lost reply may have been there.
    if (incomplete) return kExitIncomplete;
    return result.devices.empty() ? kExitNothingFound : kExitSuccess;
}

} // namespace vidur::cli
