#include "tools/vidur/windows/ChooserCommand.h"

#include <cstdio>

#include "text/MacRoman.h"
#include "text/ProfileStorage.h"
#include "tools/vidur/windows/ChooserDriver.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/module/HVREntryPoints.h"

namespace vidur::cli {

using appletalk::text::macRomanToUtf8;

namespace {

void PrintList(std::ostream& out, const char* label, const std::vector<std::string>& items) {
    out << label << " (" << items.size() << "):";
    for (const std::string& item : items) out << "\n  " << item;
    out << "\n";
}

void PrintDevice(std::ostream& out, const _NBPTuple& t) {
    char address[48];
    std::snprintf(address, sizeof address, "%u.%u socket %u", t.address.network, t.address.nodeID, t.address.socket);
    out << "chosen: " << macRomanToUtf8(t.entity.object) << ":" << macRomanToUtf8(t.entity.type) << "@"
        << macRomanToUtf8(t.entity.zone) << "\n"
        << "  object:  " << macRomanToUtf8(t.entity.object) << "\n"
        << "  type:    " << macRomanToUtf8(t.entity.type) << "\n"
        << "  zone:    " << macRomanToUtf8(t.entity.zone) << "\n"
        << "  address: " << address << "\n";
    if (const auto path = ProfileStorage::resolvePath("Halvora.INI")) out << "recorded in: " << path->string() << "\n";
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
    WindowEnvironment environment(arguments.has("offscreen"), io);
    if (!environment.ready()) return 255;
    ChooserDriver driver(environment, environment.screenshotPath(arguments, "vidur-chooser.png"),
                         WindowEnvironment::timeoutMs(arguments));
    HVRWindowObserver* previous = HVRWindowObserver::Install(&driver);
    _NBPTuple chosen{};
    const int code = HVRDeviceChooser(&chosen, flags, nullptr);
    HVRWindowObserver::Install(previous);

    const ChooserDriver::Seen& seen = driver.seen();
    if (environment.offscreen()) {
        if (!seen.type.empty()) io.out << "type: " << seen.type << "\n";
        PrintList(io.out, "zones", seen.zones);
        io.out << "selected zone: " << (seen.zone.empty() ? "(none)" : seen.zone) << "\n";
        PrintList(io.out, "devices", seen.devices);
        if (!seen.lookupDone) io.err << "vidur chooser: the look-up did not finish in time\n";
    }
    switch (code) {
    case kChosen:
        PrintDevice(io.out, chosen);
        return code;
    case kCancelled:
        io.out << (environment.offscreen() && seen.devices.empty() ? "cancelled: no device found\n" : "cancelled\n");
        return code;
    default:
        io.err << "vidur chooser: the Chooser could not be opened (" << code << ")\n";
        return code < 0 ? 255 : code;
    }
}

} // namespace vidur::cli
