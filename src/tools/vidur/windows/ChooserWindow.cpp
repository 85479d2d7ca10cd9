// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/ChooserWindow.h"
#include "tools/vidur/output/TerminalText.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "text/MacRoman.h"
#include "text/ProfileStorage.h"
#include "tools/vidur/commands/ChooserCommand.h"
#include "tools/vidur/commands/FrameLossWatch.h"
#include "tools/vidur/windows/AppleShareFlow.h"
#include "tools/vidur/windows/ChooserDriver.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/module/HVREntryPoints.h"

using vidur::text::macRomanToUtf8;
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

// A name field of the tuple (Mac OS Roman, NUL-padded) in UTF-8.
std::string FieldText(const char* field) { return macRomanToUtf8({field, ::strnlen(field, NBP_NAME_FIELD_SIZE)}); }

bool IsAppleShareServer(const _NBPTuple& t) { return FieldText(t.entity.type) == "AFPServer"; }

} // namespace

int ChooserWindow::run(const ParsedArguments& arguments, CommandIo& io) {
    const int flags = static_cast<int>(arguments.integer("flags", 3, 0, 0x7fffffff));
    WindowEnvironment environment(arguments.has("offscreen"), io, {"vidur20-chooser", "vidur", "vidur"});
    if (!environment.ready()) return 255;
    environment.SayIfRecentListUnreadable("vidur chooser: ");
    const auto screenshot = environment.screenshotPath(arguments, "vidur-chooser.png");
    ChooserDriver driver(environment, screenshot, WindowEnvironment::timeoutMs(arguments));
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
    // OK with no device in the list ends the dialog as a choice would, leaving the tuple as
    // it was given: a device always has a name, so an unnamed one is no choice.
    if (code == ChooserCommand::kChosen && chosen.entity.object[0] == '\0') {
        io.out << "nothing chosen: no device in the list\n";
        return ChooserCommand::kCancelled;
    }
    switch (code) {
    case ChooserCommand::kChosen:
        PrintDevice(io.out, chosen, seen.recorded);
        if (IsAppleShareServer(chosen)) {
            AppleShareFlow flow(environment, arguments, io, screenshot);
            return flow.run(FieldText(chosen.entity.object), FieldText(chosen.entity.zone));
        }
        return code;
    case ChooserCommand::kCancelled:
        io.out << (environment.offscreen() && seen.devices.empty() ? "cancelled: no device found\n" : "cancelled\n");
        return code;
    default:
        io.err << "vidur chooser: the Chooser could not be opened (" << code << ")\n";
        return code < 0 ? 255 : code;
    }
}

} // namespace vidur::cli
