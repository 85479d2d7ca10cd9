// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/ChooserCommand.h"
#include "tools/vidur/output/TerminalText.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "text/MacRoman.h"
#include "text/ProfileStorage.h"
#include "tools/vidur/commands/FrameLossWatch.h"
#include "tools/vidur/windows/ChooserDriver.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/module/HVREntryPoints.h"

using vidur::text::ProfileStorage;

namespace vidur::cli {

namespace {

void PrintList(std::ostream& out, const char* label, const std::vector<std::string>& items) {
    out << label << " (" << items.size() << "):";
    for (const std::string& item : items) out << "\n  " << escapeControls(item);
    out << "\n";
}

void PrintDevice(std::ostream& out, const _NBPTuple& t, bool recorded) {
    char address[48];
    std::snprintf(address, sizeof address, "%u.%u socket %u", t.address.network, t.address.nodeID, t.address.socket);
    const auto name = [](const char* field) { return terminalText({field, ::strnlen(field, NBP_NAME_FIELD_SIZE)}); };
    out << "chosen: " << name(t.entity.object) << ":" << name(t.entity.type) << "@" << name(t.entity.zone) << "\n"
        << "  object:  " << name(t.entity.object) << "\n"
        << "  type:    " << name(t.entity.type) << "\n"
        << "  zone:    " << name(t.entity.zone) << "\n"
        << "  address: " << address << "\n";
    // Only what happened: no recent list of this kind was offered, or its write failed.
    const auto path = ProfileStorage::resolvePath("Halvora.INI");
    if (recorded && path)
        out << "recorded in: " << path->string() << "\n";
    else
        out << "not recorded in the recent devices\n";
}

} // namespace

std::string ChooserCommand::details() const {
    return "N: 1 printers, 2 file servers, 3 both (default). Offscreen (--offscreen, or no DISPLAY\n"
           "or WAYLAND_DISPLAY) the first device found is chosen, as a user would, and a PNG of the\n"
           "window is saved (vidur-chooser.png in the current folder unless --screenshot says).\n"
           "Exit status: the dialog's end code: 1 chosen, 2 cancelled or nothing found, 255 no\n"
           "window could be made; 2 also for bad usage.\n";
}

std::vector<OptionSpec> ChooserCommand::options() const {
    std::vector<OptionSpec> all{{"flags", "N", "device classes to offer: bit 0 printers, bit 1 file servers"}};
    for (OptionSpec& option : WindowEnvironment::options()) all.push_back(std::move(option));
    return all;
}

int ChooserCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const int flags = static_cast<int>(arguments.integer("flags", 3, 0, 0x7fffffff));
    WindowEnvironment environment(arguments.has("offscreen"), io, {"vidur20-chooser", "vidur", "vidur"});
    if (!environment.ready()) return 255;
    environment.SayIfRecentListUnreadable("vidur chooser: ");
    ChooserDriver driver(environment, environment.screenshotPath(arguments, "vidur-chooser.png"),
                         WindowEnvironment::timeoutMs(arguments));
    // Offscreen the run stands for a user's look: say when the list it shows may be short.
    std::optional<FrameLossWatch> losses;
    if (environment.offscreen()) losses.emplace("vidur chooser: ", io.err);
    HVRWindowObserver* previous = HVRWindowObserver::Install(&driver);
    _NBPTuple chosen{};
    const int code = HVRDeviceChooser(&chosen, flags, nullptr);
    HVRWindowObserver::Install(previous);
    if (losses) losses->lost();

    const ChooserDriver::Seen& seen = driver.seen();
    if (environment.offscreen()) {
        if (!seen.type.empty()) io.out << "type: " << escapeControls(seen.type) << "\n";
        PrintList(io.out, "zones", seen.zones);
        io.out << "selected zone: " << (seen.zone.empty() ? "(none)" : escapeControls(seen.zone)) << "\n";
        PrintList(io.out, "devices", seen.devices);
        if (!seen.lookupDone) io.err << "vidur chooser: the look-up did not finish in time\n";
    }
    switch (code) {
    case kChosen: PrintDevice(io.out, chosen, seen.recorded); return code;
    case kCancelled:
        io.out << (environment.offscreen() && seen.devices.empty() ? "cancelled: no device found\n" : "cancelled\n");
        return code;
    default:
        io.err << "vidur chooser: the Chooser could not be opened (" << code << ")\n";
        return code < 0 ? 255 : code;
    }
}

} // namespace vidur::cli
