// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintJob.h"

#include <algorithm>
#include <string>
#include <vector>

namespace appletalk::print {

namespace {

PrintOutcome outcomeOf(PapJobResult result) {
    switch (result) {
    case PapJobResult::Done: return PrintOutcome::Done;
    case PapJobResult::Unreachable: return PrintOutcome::Unreachable;
    case PapJobResult::Refused: return PrintOutcome::Refused;
    case PapJobResult::BadReply: return PrintOutcome::BadReply;
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
    pap.message = [this](std::span<const std::uint8_t> bytes) { heard(bytes); };
    pap.drained = [this] { tookMore(); };
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

void PrintJob::heard(std::span<const std::uint8_t> bytes) {
    const std::vector<std::string> printerErrors = watch_.add(bytes);
    // Once a piece is dropped every later one is too: what is shown has no holes.
    if (messagesDropped_ == 0 && messagesShown_ + bytes.size() <= kShownMessages) {
        messagesShown_ += bytes.size();
        if (events_.message) events_.message(bytes);
    } else {
        messagesDropped_ += bytes.size();
    }
    for (const std::string& text : printerErrors) {
        if (text == printerError_) continue; // a printer repeats it while it waits
        printerError_ = text;
        if (events_.printerError) events_.printerError(text);
    }
}

void PrintJob::tookMore() {
    const std::uint64_t taken = client_.bytesSent();
    const bool eofTaken = client_.eofTaken();
    // A SendData answered with nothing new (another one after our EOF) is not progress.
    if (taken == taken_ && eofTaken == eofTaken_) return;
    taken_ = taken;
    eofTaken_ = eofTaken;
    printerError_.clear(); // it went on: the same error again is news
    progressed();
    if (events_.drained) events_.drained(taken);
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
    if (outcome == PrintOutcome::Done && watch_.jobFailed()) outcome = PrintOutcome::PrinterError;
    auto finished = std::move(events_.finished);
    auto dropped = std::move(events_.messagesDropped);
    events_ = {};
    if (messagesDropped_ > 0 && dropped) dropped(messagesDropped_);
    if (finished) finished(outcome, client_.bytesSent()); // last: the owner may destroy this job
}

} // namespace appletalk::print
