// SPDX-License-Identifier: MIT
#include "tools/cups/PapBackend.h"

#include "appletalk/print/PrinterDiscovery.h"
#include "appletalk/runtime/ServerSettings.h"
#include "text/MacRoman.h"
#include "tools/cups/BackendReporter.h"
#include "tools/cups/PapUri.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/output/TerminalText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

namespace vidur::cups {

namespace {

using appletalk::print::PrintOutcome;
using vidur::text::macRomanToUtf8;

// A quoted field of a discovery line: one line without control characters, and no quote or
// backslash, since CUPS reads the field up to the next double quote.
std::string quotedField(std::string_view text) {
    std::string field = cli::escapeControls(text);
    for (char& c : field)
        if (c == '"' || c == '\\') c = '\'';
    return "\"" + field + "\"";
}

// How long a printer that makes no progress is waited for: the URI's timeout, else PAP's.
std::optional<std::chrono::seconds> stallLimitOf(const PapUri& uri) {
    if (uri.timeout.empty()) return appletalk::print::kDefaultStallLimit;
    char* end = nullptr;
    const long seconds = std::strtol(uri.timeout.c_str(), &end, 10);
    if (end == uri.timeout.c_str() || *end != '\0' || seconds < 0 || seconds > 86400) return std::nullopt;
    return std::chrono::seconds(seconds);
}

} // namespace

int PapBackend::statusFor(PrintOutcome outcome) {
    switch (outcome) {
    case PrintOutcome::Done:
    // The printer has the whole job: printing it again would print it twice.
    case PrintOutcome::Unconfirmed: return kBackendOk;
    case PrintOutcome::PrinterError:
    case PrintOutcome::Refused: return kBackendCancel; // the printer will not take this job; another one may print
    case PrintOutcome::NotFound:
    case PrintOutcome::Unreachable:
    case PrintOutcome::StillBusy:
    case PrintOutcome::Stalled:
    case PrintOutcome::ConnectionLost:
    case PrintOutcome::ClosedByPrinter:
    case PrintOutcome::BadReply: // a printer restarting, or one broken now, may answer well later
    case PrintOutcome::NetworkError: return kBackendRetry;
    case PrintOutcome::Interrupted:
    case PrintOutcome::InputError: return kBackendFailed;
    }
    return kBackendFailed;
}

int PapBackend::run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty()) return discover(out, err);
    if (arguments.size() < 5 || arguments.size() > 6) {
        err << "Usage: pap job-id user title copies options [file]\n";
        return kBackendFailed;
    }
    return printJob(arguments, err);
}

int PapBackend::discover(std::ostream& out, std::ostream& err) {
    // Every backend offers a line of its own for a printer typed in by hand, found or not.
    out << "network pap \"Unknown\" \"AppleTalk Printer (PAP)\"\n" << std::flush;
    const auto loaded = appletalk::runtime::ServerSettings::load();
    if (!loaded.settings) {
        err << BackendReporter::line("ERROR: ", loaded.problem);
        return kBackendOk; // nothing to offer is not a failure of discovery
    }
    err << BackendReporter::line("DEBUG: ", "AppleTalk settings from " + loaded.source);
    const auto discovery = appletalk::print::discoverPrinters(*loaded.settings);
    if (!discovery.online) {
        err << BackendReporter::line("ERROR: ", "no AppleTalk network: " + discovery.problem);
        return kBackendOk; // nothing to offer is not a failure of discovery
    }
    for (const auto& printer : discovery.printers) out << discoveryLine(printer);
    out << std::flush;
    return kBackendOk;
}

std::string PapBackend::discoveryLine(const appletalk::print::DiscoveredPrinter& printer) {
    const PapUri uri{macRomanToUtf8(printer.name.zone),
                     macRomanToUtf8(printer.name.object),
                     macRomanToUtf8(printer.name.type),
                     {},
                     {},
                     {},
                     {}};
    // A printer that says which model it is is that Apple model; one that does not is known
    // by its NBP type alone.
    std::string makeAndModel = uri.type;
    std::string deviceId;
    if (printer.identity) {
        const std::string product = macRomanToUtf8(printer.identity->product);
        makeAndModel = "Apple " + product;
        deviceId = "MFG:Apple;MDL:" + product + ";CMD:POSTSCRIPT;";
    }
    return "network " + uri.format() + " " + quotedField(makeAndModel) + " " +
           quotedField(uri.name + " (AppleTalk, " + uri.zone + ")") + " " + quotedField(deviceId) + " " +
           quotedField(uri.zone) + "\n";
}

int PapBackend::printJob(const std::vector<std::string>& arguments, std::ostream& err) {
    const char* deviceUri = std::getenv("DEVICE_URI");
    std::string problem;
    const auto uri = PapUri::parse(deviceUri ? deviceUri : "", &problem);
    if (!uri) {
        err << BackendReporter::line("ERROR: ", std::string(deviceUri ? deviceUri : "(no DEVICE_URI)") +
                                                    " names no AppleTalk printer: " + problem);
        return kBackendStop;
    }
    const auto stallLimit = stallLimitOf(*uri);
    if (!stallLimit) {
        err << BackendReporter::line("ERROR: ", "the URI's timeout is not a number of seconds: " + uri->timeout);
        return kBackendStop;
    }
    // The URI's network wins over the settings, as --network does for vidur.
    const auto loaded =
        appletalk::runtime::ServerSettings::load({uri->network, uri->port, uri->ttl, "the printer's URI"});
    if (!loaded.settings) {
        // Every job would fail alike: the queue stops until the administrator sees to it.
        err << BackendReporter::line("ERROR: ", loaded.problem);
        return kBackendStop;
    }
    err << BackendReporter::line("DEBUG: ", "AppleTalk settings from " + loaded.source);
    const auto name = printerName(*uri, err);
    if (!name) return kBackendStop;

    int input = STDIN_FILENO;
    int copies = 1;
    if (arguments.size() == 6) {
        input = ::open(arguments[5].c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0) {
            err << BackendReporter::line("ERROR: ", arguments[5] + ": " + std::strerror(errno));
            return kBackendFailed;
        }
        // CUPS leaves copies to a backend only when it hands over a file.
        copies = std::max(1, std::atoi(arguments[3].c_str()));
    }
    const int status = printCopies(*loaded.settings, {*name, *stallLimit}, uri->name, input, copies, err);
    if (input != STDIN_FILENO) ::close(input);
    return status;
}

std::optional<appletalk::nbp::NbpName> PapBackend::printerName(const PapUri& uri, std::ostream& err) {
    appletalk::nbp::NbpName name;
    std::string* parts[] = {&name.object, &name.type, &name.zone};
    const std::string* given[] = {&uri.name, &uri.type, &uri.zone};
    for (int i = 0; i < 3; ++i) {
        const auto converted = vidur::text::utf8ToMacRoman(*given[i]);
        if (!converted.lossless || converted.macRoman.empty() || converted.macRoman.size() > 32) {
            err << BackendReporter::line("ERROR: ", "the URI's name cannot be an AppleTalk name: " + *given[i]);
            return std::nullopt;
        }
        *parts[i] = converted.macRoman;
    }
    return name;
}

int PapBackend::printCopies(const appletalk::runtime::StackSettings& settings, const Target& target,
                            const std::string& printer, int input, int copies, std::ostream& err) {
    const cli::StopSignal stop; // CUPS cancels a job with SIGTERM
    appletalk::print::PrintSession session(settings);
    int status = kBackendOk;
    for (int copy = 0; copy < copies && status == kBackendOk; ++copy) {
        if (copy > 0 && ::lseek(input, 0, SEEK_SET) != 0) break;
        appletalk::print::PrintRequest request;
        request.name = target.name;
        request.input = input;
        request.stallLimit = target.stallLimit;
        request.stopRequested = [] { return cli::StopSignal::requested(); };
        request.stopHandle = stop.waitHandle();
        // A state an earlier run left is no longer known to hold.
        err << "STATE: -offline-report\nSTATE: +connecting-to-device\n" << std::flush;
        BackendReporter reporter(err, printer);
        const auto result = session.run(request, reporter);
        err << "STATE: -connecting-to-device\n";
        reporter.ended(result);
        status = statusFor(result.outcome);
    }
    return status;
}

} // namespace vidur::cups
