// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintJob.h"

namespace appletalk::print {

namespace {

// What is kept of the printer's messages to look for errors in.
constexpr std::size_t kMessageTail = 64 * 1024;

PrintOutcome outcomeOf(PapJobResult result) {
    switch (result) {
    case PapJobResult::Done: return PrintOutcome::Done;
    case PapJobResult::Unreachable: return PrintOutcome::Unreachable;
    case PapJobResult::Refused: return PrintOutcome::Refused;
    case PapJobResult::ConnectionLost: return PrintOutcome::ConnectionLost;
    case PapJobResult::ClosedByPrinter: return PrintOutcome::ClosedByPrinter;
    case PapJobResult::Cancelled: return PrintOutcome::Interrupted;
    }
    return PrintOutcome::Refused;
}

} // namespace

PrintJob::PrintJob(Node& node, PrintJobOptions options) : node_(node), options_(options), client_(node, options.pap) {}

PrintJob::~PrintJob() = default;

bool PrintJob::open(DdpAddress printer, PrintJobEvents events) {
    events_ = std::move(events);
    PapClientEvents pap;
    pap.busy = [this](const std::string& status) { busyAnswer(status); };
    pap.opened = [this] {
        if (events_.opened) events_.opened();
    };
    pap.message = [this](std::span<const std::uint8_t> bytes) {
        messages_.append(bytes.begin(), bytes.end());
        if (messages_.size() > kMessageTail) messages_.erase(0, messages_.size() - kMessageTail);
        if (events_.message) events_.message(bytes);
    };
    pap.drained = [this] {
        if (events_.drained) events_.drained(client_.bytesSent());
    };
    pap.finished = [this](PapJobResult result) { ended(result); };
    return client_.open(printer, std::move(pap));
}

void PrintJob::write(std::span<const std::uint8_t> bytes) { client_.write(bytes); }

void PrintJob::finish() { client_.finish(); }

void PrintJob::cancel(PrintOutcome outcome) {
    if (cancelledAs_) return;
    cancelledAs_ = outcome;
    client_.cancel();
}

void PrintJob::busyAnswer(const std::string& status) {
    if (!busySince_) busySince_ = node_.clock().now();
    if (events_.busy) events_.busy(status);
    if (options_.busyLimit && node_.clock().now() - *busySince_ >= *options_.busyLimit) cancel(PrintOutcome::StillBusy);
}

void PrintJob::ended(PapJobResult result) {
    PrintOutcome outcome = outcomeOf(result);
    if (result == PapJobResult::Cancelled && cancelledAs_) outcome = *cancelledAs_;
    if (outcome == PrintOutcome::Done && reportsError(messages_)) outcome = PrintOutcome::PrinterError;
    auto finished = std::move(events_.finished);
    events_ = {};
    if (finished) finished(outcome, client_.bytesSent()); // last: the owner may destroy this job
}

} // namespace appletalk::print
