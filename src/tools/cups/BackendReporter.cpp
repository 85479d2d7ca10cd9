// SPDX-License-Identifier: MIT
#include "tools/cups/BackendReporter.h"

namespace vidur::cups {

using appletalk::print::PrintOutcome;

void BackendReporter::lookingUp(const std::string& utf8Name) {
    err_ << "INFO: Looking for " << utf8Name << "\n" << std::flush;
}

void BackendReporter::found(appletalk::DdpAddress a) {
    err_ << "DEBUG: printer at " << a.network << "." << int(a.node) << ":" << int(a.socket) << "\n" << std::flush;
}

void BackendReporter::busy(const std::string& utf8Status) {
    if (utf8Status == lastBusy_) return;
    lastBusy_ = utf8Status;
    err_ << "STATE: +connecting-to-device\nINFO: Printer busy: " << utf8Status << "\n" << std::flush;
}

void BackendReporter::opened() { err_ << "STATE: -connecting-to-device\nINFO: Printing\n" << std::flush; }

void BackendReporter::message(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        if (byte == '\r' || byte == '\n')
            flushMessage();
        else
            message_ += static_cast<char>(byte);
    }
}

void BackendReporter::progress(std::uint64_t taken, std::uint64_t, bool) {
    if (taken < nextReport_) return;
    err_ << "DEBUG: " << taken << " bytes taken by the printer\n" << std::flush;
    nextReport_ = taken + 1024 * 1024;
}

void BackendReporter::flushMessage() {
    if (message_.empty()) return;
    const bool error = appletalk::print::reportsError(message_);
    err_ << (error ? "ERROR: " : "INFO: ") << message_ << "\n" << std::flush;
    message_.clear();
}

void BackendReporter::ended(const appletalk::print::PrintResult& result) {
    flushMessage();
    switch (result.outcome) {
    case PrintOutcome::Done: err_ << "INFO: Printed " << result.bytesTaken << " bytes\n"; break;
    case PrintOutcome::PrinterError: err_ << "ERROR: The printer rejected the job\n"; break;
    case PrintOutcome::NotFound:
        err_ << "INFO: " << printer_ << " was not found on the AppleTalk network; will retry\n";
        break;
    case PrintOutcome::Unreachable: err_ << "INFO: " << printer_ << " does not answer; will retry\n"; break;
    case PrintOutcome::StillBusy: err_ << "INFO: " << printer_ << " stayed busy; will retry\n"; break;
    case PrintOutcome::ConnectionLost:
    case PrintOutcome::ClosedByPrinter:
        err_ << "ERROR: " << printer_ << " went away after " << result.bytesTaken << " bytes; will retry\n";
        break;
    case PrintOutcome::Refused: err_ << "ERROR: " << printer_ << " refused the connection\n"; break;
    case PrintOutcome::NetworkError: err_ << "ERROR: no AppleTalk network: " << result.detail << "\n"; break;
    case PrintOutcome::Interrupted: err_ << "INFO: Job cancelled\n"; break;
    case PrintOutcome::InputError: err_ << "ERROR: reading the job: " << result.detail << "\n"; break;
    }
    err_ << std::flush;
}

} // namespace vidur::cups
