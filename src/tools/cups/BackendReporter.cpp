// SPDX-License-Identifier: MIT
#include "tools/cups/BackendReporter.h"

#include "text/MacRoman.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/output/TerminalText.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace vidur::cups {

using appletalk::print::PrintOutcome;
using appletalk::print::PrintWait;

namespace {

// A printer's message longer than this is cut: CUPS takes lines of a few kilobytes.
constexpr std::size_t kMaxMessageLine = 1024;

// A message's own line ends go: one message is one line of ours.
std::string_view withoutLineEnds(std::string_view text) {
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

bool mentions(std::string_view text, std::string_view word) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::search(text.begin(), text.end(), word.begin(), word.end(),
                       [&](char a, char b) { return lower(a) == b; }) != text.end();
}

} // namespace

std::string BackendReporter::stateReason(std::string_view text) {
    // The words LaserWriters use, checked most particular first ("paper jam" is no paper out).
    static constexpr std::pair<std::string_view, std::string_view> kReasons[] = {
        {"jam", "media-jam-warning"},           {"misfeed", "media-jam-warning"},
        {"tray", "input-tray-missing-warning"}, {"manual feed", "media-needed-warning"},
        {"paper", "media-empty-warning"},       {"toner is low", "toner-low-warning"},
        {"toner", "toner-empty-warning"},       {"door", "door-open-warning"},
        {"cover", "cover-open-warning"},
    };
    for (const auto& [word, reason] : kReasons)
        if (mentions(text, word)) return std::string(reason);
    return "other-warning";
}

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
    std::string_view text = withoutLineEnds({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    if (text.empty()) return;
    text = text.substr(0, kMaxMessageLine);
    // A PrinterError is told by printerError(): here it goes to the log alone.
    const char* prefix = appletalk::print::reportsError(text)                       ? "ERROR: "
                         : text.find("%%[ PrinterError:") != std::string_view::npos ? "DEBUG: "
                                                                                    : "INFO: ";
    // Usually ASCII; read as Mac OS Roman, every byte is some character.
    say(prefix, vidur::text::macRomanToUtf8(text));
}

void BackendReporter::printerError(const std::string& utf8Text) {
    const std::string reason = stateReason(utf8Text);
    if (reason != reason_) {
        clearPrinterError();
        reason_ = reason;
        err_ << "STATE: +" << reason_ << "\n";
    }
    say("INFO: ", printer_ + " reports a problem: " + utf8Text + "; the job goes on once it is seen to");
}

void BackendReporter::clearPrinterError() {
    if (reason_.empty()) return;
    err_ << "STATE: -" << reason_ << "\n" << std::flush;
    reason_.clear();
}

void BackendReporter::messagesDropped(std::uint64_t bytes) {
    say("INFO: ", std::to_string(bytes) + " more bytes of messages from " + printer_ +
                      " were not shown (only the first " + std::to_string(appletalk::print::kShownMessages / 1024) +
                      " KiB are)");
}

void BackendReporter::progress(std::uint64_t taken, std::uint64_t, bool) {
    if (taken > 0) online();
    if (taken > taken_) clearPrinterError(); // it went on
    taken_ = std::max(taken_, taken);
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

void BackendReporter::ended(const appletalk::print::PrintResult& result) {
    clearPrinterError();
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
    case PrintOutcome::BadReply:
        say("WARNING: ",
            printer_ + ": " + cli::LibraryStatus::describe(cli::LibraryStatus::kBadReply) + "; will retry");
        break;
    case PrintOutcome::NetworkError: say("WARNING: ", "no AppleTalk network: " + result.detail + "; will retry"); break;
    case PrintOutcome::Interrupted: say("INFO: ", "Job cancelled"); break;
    case PrintOutcome::InputError: say("ERROR: ", "reading the job: " + result.detail); break;
    }
}

} // namespace vidur::cups
