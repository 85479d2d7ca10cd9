// SPDX-License-Identifier: MIT
#include "appletalk/serve/ServedPrinter.h"

#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/serve/BackChannel.h"

namespace appletalk::serve {

namespace {

std::string fitted(std::string text) {
    if (text.size() > pap::PapStatus::kMaxLength) text.resize(pap::PapStatus::kMaxLength);
    return text;
}

} // namespace

ServedPrinter::ServedPrinter(Node& node, PublishedPrinter printer, const ServeLimits& limits, ServeLog& log,
                             std::function<bool()> admits, std::function<void()> jobsChanged)
    : node_(node),
      printer_(std::move(printer)),
      limits_(limits),
      log_(log),
      jobsChanged_(std::move(jobsChanged)),
      status_(node, 0, "status: idle"),
      server_(node, status_, jobEvents()) {
    server_.setAdmission(std::move(admits));
    showStatus();
}

ServedPrinter::~ServedPrinter() {
    // The connection goes with the server; the destination's job with the ServedJob.
    job_.reset();
}

void ServedPrinter::update(PublishedPrinter printer) {
    printer.name = printer_.name;
    printer_ = std::move(printer);
    showStatus();
}

void ServedPrinter::setState(const QueueState& state) {
    printer_.state = state;
    showStatus();
}

void ServedPrinter::stopJob() {
    if (job_) job_->stop();
}

std::string ServedPrinter::statusText() const {
    const QueueState& state = printer_.state;
    if (state.stopped || !state.accepting) {
        std::string reason = BackChannel::oneLine(state.reason);
        if (reason.empty()) reason = state.stopped ? "the queue is stopped" : "the queue takes no jobs";
        return fitted("status: PrinterError: " + reason);
    }
    if (!job_) return "status: idle";
    std::string text = "status: busy; source: AppleTalk";
    if (!job_->isQuery() && !job_->record().ticket.title.empty())
        text += "; job: " + BackChannel::oneLine(job_->record().ticket.title);
    return fitted(std::move(text));
}

void ServedPrinter::showStatus() { status_.setStatus(statusText()); }

PapServerEvents ServedPrinter::jobEvents() {
    PapServerEvents events;
    events.started = [this](PapServerJob& connection) {
        job_ = std::make_unique<ServedJob>(node_, connection, printer_.destination, printer_.description, limits_,
                                           [this] { showStatus(); });
        log_.jobStarted(printer_.queue, connection.workstation());
        showStatus();
        if (jobsChanged_) jobsChanged_();
    };
    events.data = [this](PapServerJob&, std::span<const std::uint8_t> bytes) {
        if (job_) job_->received(bytes);
    };
    events.endOfJob = [this](PapServerJob&) {
        if (job_) job_->workstationFinished();
    };
    events.ended = [this](PapServerJob&, bool complete) {
        if (!job_) return;
        job_->connectionEnded(complete);
        log_.jobEnded(printer_.queue, job_->record());
        job_.reset();
        showStatus();
        if (jobsChanged_) jobsChanged_();
    };
    return events;
}

} // namespace appletalk::serve
