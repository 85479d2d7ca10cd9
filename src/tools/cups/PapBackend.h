// SPDX-License-Identifier: MIT
// The CUPS backend "pap" (see `man backend`): with no arguments it lists the AppleTalk
// printers it finds, one `network pap://ZONE/NAME/TYPE "MAKE AND MODEL" "INFO"` line each;
// with a job (job-id user title copies options [file]) it prints the file (or standard input)
// on the printer of DEVICE_URI over PAP, telling CUPS how it goes with STATE:, INFO: and
// ERROR: lines on standard error, and ends with the code that tells CUPS what to do next.
#pragma once

#include "appletalk/print/PrintSession.h"
#include "appletalk/print/PrinterSurvey.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vidur::cups {

struct PapUri;

// The exit codes CUPS gives backends (<cups/backend.h>).
enum BackendStatus : int {
    kBackendOk = 0,
    kBackendFailed = 1,
    kBackendAuthRequired = 2,
    kBackendHold = 3,
    kBackendStop = 4,
    kBackendCancel = 5,
    kBackendRetry = 6,
    kBackendRetryCurrent = 7,
};

// Settings as a program that serves others reads them (appletalk::runtime::ServerSettings):
// started by CUPS, the system's AppleTalk.INI alone, and never the simulated network unless
// the settings or the URI name it.
class PapBackend {
public:
    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

    // What CUPS should do after a job that ended so.
    static int statusFor(appletalk::print::PrintOutcome outcome);
    // One line of discovery: class, URI, make and model, info, device id, location.
    static std::string discoveryLine(const appletalk::print::DiscoveredPrinter& printer);

private:
    int discover(std::ostream& out, std::ostream& err);
    int printJob(const std::vector<std::string>& arguments, std::ostream& err);
    // The printer's AppleTalk name from the URI's parts; nothing, and an ERROR: line, when a
    // part cannot be one.
    static std::optional<appletalk::nbp::NbpName> printerName(const PapUri& uri, std::ostream& err);
    struct Target {
        appletalk::nbp::NbpName name;
        std::chrono::seconds stallLimit;
    };
    static int printCopies(const appletalk::runtime::StackSettings& settings, const Target& target,
                           const std::string& printer, int input, int copies, std::ostream& err);
};

} // namespace vidur::cups
