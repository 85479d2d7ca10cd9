// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintJob.h"

#include <algorithm>

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

PrintOutcome stalledOutcome(PrintWait what) {
    switch (what) {
    case PrintWait::Answer: return PrintOutcome::Unreachable;
    case PrintWait::Busy: return PrintOutcome::StillBusy;
    case PrintWait::Reading: return PrintOutcome::Stalled;
    case PrintWait::Finishing: return PrintOutcome::Unconfirmed;
    }
    return PrintOutcome::Stalled;
}

} // namespace

PrintJob::PrintJob(Node& node, PrintJobOptions options) : node_(node), options_(options), client_(node, options.pap) {}

PrintJob::~PrintJob() { node_.timers().cancel(noticeTimer_); }

bool PrintJob::open(DdpAddress printer, PrintJobEvents events) {
    events_ = std::move(events);
    PapClientEvents pap;
    pap.busy = [this](const std::string& status) { busyAnswer(status); };
    pap.opened = [this] {
        busy_ = false;
        progressed();
        if (events_.opened) events_.opened();
    };
    pap.message = [this](std::span<const std::uint8_t> bytes) {
        progressed();
        messages_.append(bytes.begin(), bytes.end());
        if (messages_.size() > kMessageTail) messages_.erase(0, messages_.size() - kMessageTail);
        if (events_.message) events_.message(bytes);
    };
    pap.drained = [this] {
        progressed();
        if (events_.drained) events_.drained(client_.bytesSent());
    };
    pap.finished = [this](PapJobResult result) { ended(result); };
    if (!client_.open(printer, std::move(pap))) return false;
    progressed();
    return true;
}

void PrintJob::write(std::span<const std::uint8_t> bytes) { client_.write(bytes); }

void PrintJob::finish() { client_.finish(); }

void PrintJob::cancel(PrintOutcome outcome) {
    if (cancelledAs_) return;
    cancelledAs_ = outcome;
    node_.timers().cancel(noticeTimer_);
    noticeTimer_ = 0;
    client_.cancel();
}

PrintWait PrintJob::waitingFor() const {
    if (client_.state() == PapClient::State::Opening) return busy_ ? PrintWait::Busy : PrintWait::Answer;
    // Everything taken, our EOF with it: what is left is the printer's own.
    if (client_.eofTaken()) return PrintWait::Finishing;
    return PrintWait::Reading;
}

void PrintJob::progressed() {
    lastProgress_ = node_.clock().now();
    node_.timers().cancel(noticeTimer_);
    Duration first = options_.noticeInterval;
    if (options_.stallLimit > Duration::zero()) first = std::min(first, options_.stallLimit);
    noticeTimer_ = node_.timers().scheduleAfter(first, [this] { notice(); });
}

void PrintJob::notice() {
    noticeTimer_ = 0;
    const Duration without = node_.clock().now() - lastProgress_;
    const PrintWait what = waitingFor();
    if (options_.stallLimit > Duration::zero() && without >= options_.stallLimit) {
        cancel(stalledOutcome(what));
        return;
    }
    Duration next = options_.noticeInterval;
    if (options_.stallLimit > Duration::zero()) next = std::min(next, options_.stallLimit - without);
    noticeTimer_ = node_.timers().scheduleAfter(next, [this] { notice(); });
    if (events_.waiting) events_.waiting(what, without); // last: the owner may cancel
}

void PrintJob::busyAnswer(const std::string& status) {
    busy_ = true;
    if (events_.busy) events_.busy(status);
}

void PrintJob::ended(PapJobResult result) {
    node_.timers().cancel(noticeTimer_);
    noticeTimer_ = 0;
    PrintOutcome outcome = outcomeOf(result);
    if (result == PapJobResult::Cancelled && cancelledAs_) outcome = *cancelledAs_;
    if (outcome == PrintOutcome::Done && reportsError(messages_)) outcome = PrintOutcome::PrinterError;
    auto finished = std::move(events_.finished);
    events_ = {};
    if (finished) finished(outcome, client_.bytesSent()); // last: the owner may destroy this job
}

} // namespace appletalk::print
