// SPDX-License-Identifier: MIT
#include "appletalk/serve/ServedJob.h"

#include "appletalk/serve/BackChannel.h"
#include "appletalk/serve/QueryAnswers.h"

#include <algorithm>

namespace appletalk::serve {

namespace {

std::string tooLarge(std::uint64_t limit) {
    constexpr std::uint64_t kMegabyte = 1024 * 1024;
    const std::string size =
        limit % kMegabyte == 0 ? std::to_string(limit / kMegabyte) + " MB" : std::to_string(limit) + " bytes";
    return "the job is larger than " + size + ", the most this printer takes";
}

std::string minutes(Duration duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::minutes>(duration).count()) + " minutes";
}

} // namespace

ServedJob::ServedJob(Node& node, PapServerJob& connection, std::shared_ptr<JobDestination> destination,
                     const PrinterDescription& description, const ServeLimits& limits, std::function<void()> changed)
    : node_(node),
      connection_(connection),
      destination_(std::move(destination)),
      description_(description),
      limits_(limits),
      changed_(std::move(changed)),
      started_(node.clock().now()),
      lastHeard_(started_) {
    record_.ticket.workstation = connection.workstation();
    watchIdle();
}

ServedJob::~ServedJob() {
    node_.timers().cancel(idleTimer_);
    node_.timers().cancel(verdictTimer_);
}

void ServedJob::received(std::span<const std::uint8_t> bytes) {
    record_.bytes += bytes.size();
    lastHeard_ = node_.clock().now();
    switch (phase_) {
    case Phase::Header:
        head_.append(bytes.begin(), bytes.end());
        readHeader(false);
        return;
    case Phase::Query:
        // Past the limit the rest is dropped: the queries read so far are still answered.
        if (head_.size() < limits_.maxQueryBytes)
            head_.append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                            bytes.size(), limits_.maxQueryBytes - head_.size())));
        return;
    case Phase::Printing:
        if (handed_ + bytes.size() > limits_.maxJobBytes) return fail(tooLarge(limits_.maxJobBytes));
        hand({bytes.begin(), bytes.end()});
        return;
    case Phase::Flushing:
    case Phase::Answered: return;
    }
}

void ServedJob::readHeader(bool whole) {
    const auto header = JobHeader::read(head_, whole);
    if (!header) return;
    record_.query = header->query;
    record_.ticket.title = header->title;
    record_.ticket.user = header->user;
    if (record_.query) {
        phase_ = Phase::Query;
        if (head_.size() > limits_.maxQueryBytes) head_.resize(limits_.maxQueryBytes);
    } else {
        startPrinting();
    }
    if (changed_) changed_();
}

void ServedJob::startPrinting() {
    phase_ = Phase::Printing;
    JobSinkEvents events;
    events.taken = [this](std::uint64_t bytes) { taken(bytes); };
    events.notice = [this](const std::string& message) { notice(message); };
    events.finished = [this](const JobReport& report) { destinationFinished(report); };
    sink_ = destination_->open(record_.ticket, std::move(events));
    if (!sink_) return fail("the queue takes no jobs");
    std::string head = std::exchange(head_, {});
    if (handed_ + head.size() > limits_.maxJobBytes) return fail(tooLarge(limits_.maxJobBytes));
    hand({head.begin(), head.end()});
}

void ServedJob::hand(std::vector<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    handed_ += bytes.size();
    sink_->write(std::move(bytes));
    if (!paused_ && handed_ - taken_ > limits_.highWater) {
        paused_ = true;
        connection_.pauseReceiving();
    }
}

void ServedJob::taken(std::uint64_t bytes) {
    taken_ = std::max(taken_, bytes);
    lastHeard_ = node_.clock().now();
    if (paused_ && handed_ - taken_ <= limits_.lowWater) {
        paused_ = false;
        connection_.resumeReceiving();
    }
}

void ServedJob::notice(const std::string& message) {
    if (phase_ != Phase::Printing || message == lastNotice_) return;
    lastNotice_ = message;
    say(BackChannel::printerError(message));
}

void ServedJob::workstationFinished() {
    workstationDone_ = true;
    if (phase_ == Phase::Header) readHeader(true);
    switch (phase_) {
    case Phase::Query: answerQuery(); break;
    case Phase::Printing:
        sink_->finish();
        startVerdictTimer();
        break;
    case Phase::Flushing: finishIfDone(); break;
    case Phase::Header:
    case Phase::Answered: break;
    }
}

void ServedJob::startVerdictTimer() {
    verdictTimer_ = node_.timers().scheduleAfter(limits_.verdictLimit, [this] {
        verdictTimer_ = 0;
        fail("the queue did not confirm the job within " + minutes(limits_.verdictLimit));
    });
}

void ServedJob::destinationFinished(const JobReport& report) {
    // The sink is in its last call: it stays until this job goes.
    sinkFinished_ = true;
    node_.timers().cancel(verdictTimer_);
    verdictTimer_ = 0;
    if (phase_ != Phase::Printing) return;
    if (!report.accepted || !workstationDone_)
        return fail(report.message.empty() ? std::string("the queue refused the job") : report.message);
    phase_ = Phase::Answered;
    record_.printed = true;
    record_.outcome = report.message;
    if (!report.message.empty()) say(BackChannel::status(report.message));
    connection_.finish();
    if (changed_) changed_();
}

void ServedJob::fail(const std::string& why) {
    if (phase_ == Phase::Flushing || phase_ == Phase::Answered) return;
    phase_ = Phase::Flushing;
    record_.outcome = why;
    if (!sinkFinished_) sink_.reset(); // cancels the job at its destination
    head_.clear();
    node_.timers().cancel(verdictTimer_);
    verdictTimer_ = 0;
    say(BackChannel::errorAndFlush(why));
    if (paused_) {
        paused_ = false;
        connection_.resumeReceiving();
    }
    finishIfDone();
    if (changed_) changed_();
}

void ServedJob::finishIfDone() {
    if (workstationDone_) connection_.finish();
}

void ServedJob::answerQuery() {
    const QueryAnswers answers = QueryAnswers::answer(head_, description_);
    head_.clear();
    phase_ = Phase::Answered;
    record_.outcome = std::to_string(answers.answered) + " answered, " + std::to_string(answers.defaulted) +
                      " given their default answer";
    say(answers.text);
    connection_.finish();
    if (changed_) changed_();
}

void ServedJob::say(const std::string& text) {
    if (text.empty()) return;
    connection_.write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void ServedJob::watchIdle() {
    idleTimer_ = node_.timers().scheduleAt(lastHeard_ + limits_.idleLimit, [this] {
        idleTimer_ = 0;
        if (workstationDone_ || ended_) return;
        if (node_.clock().now() - lastHeard_ < limits_.idleLimit) return watchIdle();
        // The workstation keeps the connection with tickles and sends nothing, or the queue
        // takes nothing while the job waits for room: either way the job goes no further.
        fail("nothing moved for " + minutes(limits_.idleLimit));
        connection_.close();
    });
}

void ServedJob::connectionEnded(bool complete) {
    ended_ = true;
    record_.elapsed = node_.clock().now() - started_;
    node_.timers().cancel(idleTimer_);
    node_.timers().cancel(verdictTimer_);
    idleTimer_ = verdictTimer_ = 0;
    if (phase_ == Phase::Answered || phase_ == Phase::Flushing) return;
    if (!sinkFinished_) sink_.reset();
    record_.outcome = complete ? "the connection ended before the queue took the job"
                               : "the connection ended before the end of the job";
}

void ServedJob::stop() {
    if (ended_) return;
    if (phase_ != Phase::Answered) {
        if (!sinkFinished_) sink_.reset();
        record_.outcome = "the print server stopped";
        say(BackChannel::error("the print server is stopping; the job was not printed"));
        phase_ = Phase::Flushing;
    }
    connection_.close();
}

} // namespace appletalk::serve
