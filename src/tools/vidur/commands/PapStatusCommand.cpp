// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PapStatusCommand.h"
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/commands/Device.h"
#include "tools/vidur/commands/NodeInformation.h"
#include "tools/vidur/commands/PrinterStatusQuery.h"
#include "tools/vidur/commands/PrinterTarget.h"
#include "tools/vidur/output/JsonWriter.h"

#include <optional>

namespace vidur::cli {

namespace {

using vidur::text::macRomanToUtf8;
using Clock = std::chrono::steady_clock;

// The pace of the status window: a printer is asked again 1.5 s after it answered.
constexpr int kWatchIntervalMs = 1500;

std::string formatAnswer(const PrinterStatusQuery::Answer& answer, const PrinterTarget& target, bool json) {
    if (!json) return terminalText(answer.text) + "\n";
    const Device printer = Device::fromTuple(answer.printer);
    Json reply = {{"printer", target.display()}};
    if (!printer.object.empty()) {
        reply["name"] = macRomanToUtf8(printer.object);
        reply["type"] = macRomanToUtf8(printer.type);
        reply["zone"] = macRomanToUtf8(printer.zone);
    }
    reply["address"] = printer.address();
    reply["status"] = macRomanToUtf8(answer.text);
    return JsonWriter::line(reply);
}

} // namespace

std::string PapStatusCommand::details() const {
    return "A printer named without a type is a LaserWriter; without a zone it is in this node's\n"
           "zone. --watch asks again every 1.5 seconds and prints the status each time it changes;\n"
           "Ctrl-C ends it. Exit status 1 when the printer did not answer.\n";
}

std::vector<OptionSpec> PapStatusCommand::options() const {
    return {{"watch", {}, "keep asking until Ctrl-C, printing each change"},
            {"json", {}, "print a JSON object (one a line with --watch)"},
            {"timeout", "S", "seconds to wait for one answer (default 15)"}};
}

int PapStatusCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const PrinterTarget target = PrinterTarget::parse(arguments.positionals()[0]);
    const auto timeout = std::chrono::milliseconds(static_cast<long>(arguments.seconds("timeout", 15, 600) * 1000));
    const bool json = arguments.has("json");
    const bool watch = arguments.has("watch");
    // The library answers a status request at once with a failure while its node is still
    // starting; the node information request is the one that waits for the start.
    if (const auto node = NodeInformation::query(timeout); node.status != 0) {
        io.err << "vidur papstatus: " << LibraryStatus::describe(node.status) << "\n";
        return kExitError;
    }
    const StopSignal stop;
    PrinterStatusQuery query;
    _NBPTuple printer = target.tuple();
    std::optional<std::string> shown; // the last line printed, status or failure
    bool answered = false;
    do {
        const auto asked = Clock::now();
        const auto answer = query.ask(printer, timeout, &stop);
        if (StopSignal::requested()) break;
        if (answer.status == 0) {
            answered = true;
            // Ask where it answered next time, as the status window does.
            printer = answer.printer;
            const std::string line = formatAnswer(answer, target, json);
            if (line != shown) io.out << line << std::flush;
            shown = line;
        } else if (!LibraryStatus::meansNothingFound(answer.status) && answer.status != LibraryStatus::kTimedOut) {
            io.err << "vidur papstatus: " << LibraryStatus::describe(answer.status) << "\n";
            return kExitError;
        } else {
            const std::string message = "vidur papstatus: " + target.display() + " did not answer";
            if (message != shown) io.err << message << "\n";
            shown = message;
            if (!watch) return kExitNothingFound;
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked);
        if (watch && stop.waitFor(std::max(0, kWatchIntervalMs - static_cast<int>(elapsed.count())))) break;
    } while (watch);
    // Ends the request cleanly, also after Ctrl-C: the library lets go of the blocks first.
    query.end();
    return answered ? kExitSuccess : kExitNothingFound;
}

} // namespace vidur::cli
