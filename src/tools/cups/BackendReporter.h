// SPDX-License-Identifier: MIT
// What the backend tells CUPS about a job, one line at a time on standard error: STATE: for
// the printer's state, INFO: for the job's progress, WARNING: for why a job will be retried
// (CUPS keeps a warning as the job's status once the backend has gone; an INFO: line it drops),
// ERROR: for what went wrong, DEBUG: for the log alone. Each message of the printer goes out as
// one line, errors as ERROR:; a PrinterError it waits on (paper out) as a STATE: reason and an
// INFO: line, the reason taken away once the printer goes on or the job ends.
//
// Every text goes out as one line without control characters, escaped as the command escapes
// them for a terminal: a name or status from the network cannot end a line and add its own
// ATTR: or INFO: line to the backend's.
#pragma once

#include "appletalk/print/PrintSession.h"

#include <ostream>
#include <string>
#include <string_view>

namespace vidur::cups {

class BackendReporter final : public appletalk::print::PrintObserver {
public:
    // `printer`: the printer's name as the job's URI gives it (UTF-8).
    BackendReporter(std::ostream& err, std::string printer) : err_(err), printer_(std::move(printer)) {}

    void lookingUp(const std::string& utf8Name) override;
    void found(appletalk::DdpAddress printer) override;
    void busy(const std::string& utf8Status) override;
    void opened() override;
    void message(std::span<const std::uint8_t> bytes) override;
    void printerError(const std::string& utf8Text) override;
    void messagesDropped(std::uint64_t bytes) override;
    void progress(std::uint64_t taken, std::uint64_t read, bool inputDone) override;
    void waiting(appletalk::print::PrintWait what, std::chrono::seconds without) override;

    // The line that says how the job ended.
    void ended(const appletalk::print::PrintResult& result);

    // `prefix` ("INFO: "), then `text` made one line without control characters.
    static std::string line(std::string_view prefix, std::string_view text);
    // The printer-state-reason for a PrinterError's text: "media-empty-warning" for paper out,
    // "other-warning" for what has none of its own.
    static std::string stateReason(std::string_view text);

private:
    void say(std::string_view prefix, std::string_view text);
    void online();
    void clearPrinterError();

    std::ostream& err_;
    std::string printer_;
    std::string lastBusy_;
    bool offline_ = false; // STATE: +offline-report was said
    std::string reason_; // the STATE: reason of the PrinterError said, until it passes
    std::uint64_t taken_ = 0;
    std::uint64_t nextReport_ = 0;
};

} // namespace vidur::cups
