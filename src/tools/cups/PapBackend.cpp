// SPDX-License-Identifier: MIT
#include "tools/cups/PapBackend.h"

#include "appletalk/print/PrinterDiscovery.h"
#include "appletalk/runtime/ServerSettings.h"
#include "text/MacRoman.h"
#include "tools/cups/BackendReporter.h"
#include "tools/cups/PapUri.h"
#include "tools/vidur/cli/StopSignal.h"

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

// A quoted field of a discovery line: CUPS reads up to the next double quote.
std::string quoted(std::string text) {
    for (char& c : text)
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '\'';
    return "\"" + text + "\"";
}

} // namespace

int PapBackend::statusFor(PrintOutcome outcome) {
    switch (outcome) {
    case PrintOutcome::Done: return kBackendOk;
    case PrintOutcome::PrinterError:
    case PrintOutcome::Refused: return kBackendCancel; // the printer will not take this job; another one may print
    case PrintOutcome::NotFound:
    case PrintOutcome::Unreachable:
    case PrintOutcome::StillBusy:
    case PrintOutcome::ConnectionLost:
    case PrintOutcome::ClosedByPrinter:
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
        err << "ERROR: " << loaded.problem << "\n";
        return kBackendOk; // nothing to offer is not a failure of discovery
    }
    err << "DEBUG: AppleTalk settings from " << loaded.source << "\n";
    const auto discovery = appletalk::print::discoverPrinters(*loaded.settings);
    if (!discovery.online) {
        err << "DEBUG: no AppleTalk network: " << discovery.problem << "\n";
        return kBackendOk; // nothing to offer is not a failure of discovery
    }
    for (const auto& printer : discovery.printers) {
        const PapUri uri{macRomanToUtf8(printer.name.zone),
                         macRomanToUtf8(printer.name.object),
                         macRomanToUtf8(printer.name.type),
                         {},
                         {},
                         {}};
        out << "network " << uri.format() << " " << quoted(uri.type) << " "
            << quoted(uri.name + " (AppleTalk, " + uri.zone + ")") << "\n";
    }
    out << std::flush;
    return kBackendOk;
}

int PapBackend::printJob(const std::vector<std::string>& arguments, std::ostream& err) {
    const char* deviceUri = std::getenv("DEVICE_URI");
    const auto uri = PapUri::parse(deviceUri ? deviceUri : "");
    if (!uri) {
        err << "ERROR: not an AppleTalk printer URI: " << (deviceUri ? deviceUri : "(no DEVICE_URI)") << "\n";
        return kBackendStop;
    }
    // The URI's network wins over the settings, as --network does for vidur.
    const auto loaded =
        appletalk::runtime::ServerSettings::load({uri->network, uri->port, uri->ttl, "the printer's URI"});
    if (!loaded.settings) {
        // Every job would fail alike: the queue stops until the administrator sees to it.
        err << "ERROR: " << loaded.problem << "\n";
        return kBackendStop;
    }
    err << "DEBUG: AppleTalk settings from " << loaded.source << "\n";
    const auto name = printerName(*uri, err);
    if (!name) return kBackendStop;

    int input = STDIN_FILENO;
    int copies = 1;
    if (arguments.size() == 6) {
        input = ::open(arguments[5].c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0) {
            err << "ERROR: " << arguments[5] << ": " << std::strerror(errno) << "\n";
            return kBackendFailed;
        }
        // CUPS leaves copies to a backend only when it hands over a file.
        copies = std::max(1, std::atoi(arguments[3].c_str()));
    }
    const int status = printCopies(*loaded.settings, *name, uri->name, input, copies, err);
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
            err << "ERROR: the URI's name cannot be an AppleTalk name: " << *given[i] << "\n";
            return std::nullopt;
        }
        *parts[i] = converted.macRoman;
    }
    return name;
}

int PapBackend::printCopies(const appletalk::runtime::StackSettings& settings, const appletalk::nbp::NbpName& name,
                            const std::string& printer, int input, int copies, std::ostream& err) {
    const cli::StopSignal stop; // CUPS cancels a job with SIGTERM
    appletalk::print::PrintSession session(settings);
    int status = kBackendOk;
    for (int copy = 0; copy < copies && status == kBackendOk; ++copy) {
        if (copy > 0 && ::lseek(input, 0, SEEK_SET) != 0) break;
        appletalk::print::PrintRequest request;
        request.name = name;
        request.input = input;
        request.busyLimit = std::chrono::minutes(5);
        request.stopRequested = [] { return cli::StopSignal::requested(); };
        request.stopHandle = stop.waitHandle();
        err << "STATE: +connecting-to-device\n" << std::flush;
        BackendReporter reporter(err, printer);
        const auto result = session.run(request, reporter);
        err << "STATE: -connecting-to-device\n";
        reporter.ended(result);
        status = statusFor(result.outcome);
    }
    return status;
}

} // namespace vidur::cups
