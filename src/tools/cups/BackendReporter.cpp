// SPDX-License-Identifier: MIT
#include "tools/cups/BackendReporter.h"

#include "text/MacRoman.h"
#include "tools/vidur/output/TerminalText.h"

namespace vidur::cups {

using appletalk::print::PrintOutcome;
using appletalk::print::PrintWait;

namespace {

// A printer's message longer than this is cut: CUPS takes lines of a few kilobytes.
constexpr std::size_t kMaxMessageLine = 1024;

} // namespace

std::string BackendReporter::line(std::string_view prefix, std::string_view text) {
    return std::string(prefix) + cli::escapeControls(text) + "\n";
}

void BackendReporter::say(std::string_view prefix, std::string_view text) { err_ << line(prefix, text) << std::flush; }

void BackendReporter::lookingUp(const std::string& utf8Name) { say("INFO: ", "Looking for " + utf8Name); }

void BackendReporter::found(appletalk::DdpAddress a) {
    say("DEBUG: ",
        "printer at " + std::to_string(a.network) + "." + std::to_string(a.node) + ":" + std::to_string(a.socket));
}

void BackendReporter::busy(const std::string& utf8Status) {
    if (utf8Status == lastBusy_) return;
    lastBusy_ = utf8Status;
    err_ << "STATE: +connecting-to-device\n";
    say("INFO: ", printer_ + " is busy: " + utf8Status);
}

void BackendReporter::opened() {
    online();
    err_ << "STATE: -connecting-to-device\n";
    say("INFO: ", "Printing on " + printer_);
}

void BackendReporter::message(std::span<const std::uint8_t> bytes) {
    online();
    for (const std::uint8_t byte : bytes) {
        if (byte == '\r' || byte == '\n')
            flushMessage();
        else if (message_.size() < kMaxMessageLine)
            message_ += static_cast<char>(byte);
    }
}

void BackendReporter::progress(std::uint64_t taken, std::uint64_t, bool) {
    if (taken > 0) online();
    if (taken < nextReport_) return;
    say("DEBUG: ", std::to_string(taken) + " bytes taken by the printer");
    nextReport_ = taken + 1024 * 1024;
}

void BackendReporter::waiting(PrintWait what, std::chrono::seconds without) {
    const std::string seconds = std::to_string(without.count()) + " s";
    switch (what) {
    case PrintWait::Answer:
        err_ << "STATE: +offline-report\n";
        offline_ = true;
        say("INFO: ", printer_ + " has not answered for " + seconds);
        break;
    case PrintWait::Busy: say("INFO: ", printer_ + " is still busy after " + seconds + ": " + lastBusy_); break;
    case PrintWait::Reading:
        err_ << "STATE: +offline-report\n";
        offline_ = true;
        say("INFO: ", printer_ + " has taken nothing of the job for " + seconds);
        break;
    case PrintWait::Finishing:
        say("INFO: ", printer_ + " has the whole job and has not said it is done after " + seconds);
        break;
    }
}

void BackendReporter::online() {
    if (!offline_) return;
    offline_ = false;
    err_ << "STATE: -offline-report\n" << std::flush;
}

void BackendReporter::flushMessage() {
    if (message_.empty()) return;
    // Usually ASCII; read as Mac OS Roman, every byte is some character.
    const std::string text = vidur::text::macRomanToUtf8(message_);
    say(appletalk::print::reportsError(message_) ? "ERROR: " : "INFO: ", text);
    message_.clear();
}

void BackendReporter::ended(const appletalk::print::PrintResult& result) {
    flushMessage();
    const std::string bytes = std::to_string(result.bytesTaken) + " bytes";
    switch (result.outcome) {
    case PrintOutcome::Done: say("INFO: ", "Printed " + bytes); break;
    case PrintOutcome::Unconfirmed:
        say("INFO: ", "Printed " + bytes + "; " + printer_ + " took the whole job but did not say it was done");
        break;
    case PrintOutcome::PrinterError: say("ERROR: ", "The printer rejected the job"); break;
    case PrintOutcome::NotFound:
        say("WARNING: ", printer_ + " was not found on the AppleTalk network; will retry");
        break;
    case PrintOutcome::Unreachable: say("WARNING: ", printer_ + " does not answer; will retry"); break;
    case PrintOutcome::StillBusy: say("WARNING: ", printer_ + " stayed busy: " + lastBusy_ + "; will retry"); break;
    case PrintOutcome::Stalled:
        say("WARNING: ", printer_ + " took nothing more of the job after " + bytes + "; will retry");
        break;
    case PrintOutcome::ConnectionLost:
    case PrintOutcome::ClosedByPrinter:
        say("WARNING: ", printer_ + " went away after " + bytes + "; will retry");
        break;
    case PrintOutcome::Refused: say("ERROR: ", printer_ + " refused the connection"); break;
    case PrintOutcome::NetworkError: say("WARNING: ", "no AppleTalk network: " + result.detail + "; will retry"); break;
    case PrintOutcome::Interrupted: say("INFO: ", "Job cancelled"); break;
    case PrintOutcome::InputError: say("ERROR: ", "reading the job: " + result.detail); break;
    }
}

} // namespace vidur::cups
