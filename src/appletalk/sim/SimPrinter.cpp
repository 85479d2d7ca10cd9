// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimPrinter.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/postscript/QueryJob.h"

namespace appletalk::sim {

namespace {

std::string fitted(std::string status) {
    if (status.size() > pap::PapStatus::kMaxLength) status.resize(pap::PapStatus::kMaxLength);
    return status;
}

} // namespace

SimPrinter::SimPrinter(const Clock& clock, LinkFactory links, DevicePlacement placement, PrinterBehaviour behaviour)
    : SimDevice(clock, std::move(links), std::move(placement)),
      behaviour_(std::move(behaviour)),
      cycleStart_(clock.now()) {
    setName(nbp::NbpName{behaviour_.name, behaviour_.type, "*"});
}

SimPrinter::~SimPrinter() { closeServices(); }

void SimPrinter::setStatus(std::string status) {
    behaviour_.status = std::move(status);
    behaviour_.statusCycle.clear();
    if (server_) server_->setStatus(fitted(behaviour_.status));
}

void SimPrinter::setAnswers(bool answers) {
    behaviour_.answers = answers;
    if (server_) server_->setAnswering(answers);
}

void SimPrinter::setAnswerDelay(Duration delay) {
    behaviour_.answerDelay = delay;
    if (server_) server_->setResponseDelay(delay);
}

std::uint64_t SimPrinter::statusRequests() const {
    return earlierRequests_ + (server_ ? server_->statusRequests() : 0);
}

std::string SimPrinter::currentStatus() const {
    const auto& cycle = behaviour_.statusCycle;
    if (cycle.empty() || behaviour_.statusPeriod <= Duration::zero()) return behaviour_.status;
    const auto elapsed = clock().now() - cycleStart_;
    return cycle[static_cast<std::size_t>(elapsed / behaviour_.statusPeriod) % cycle.size()];
}

std::uint8_t SimPrinter::openServices(Node& node) {
    server_ = std::make_unique<PapStatusServer>(node, 0, fitted(currentStatus()));
    server_->setAnswering(behaviour_.answers);
    server_->setResponseDelay(behaviour_.answerDelay);
    jobServer_ = std::make_unique<PapServer>(node, *server_, jobEvents());
    jobServer_->setTakingJobs(!behaviour_.busy);
    followCycle();
    return server_->isOpen() ? server_->socket() : 0;
}

void SimPrinter::closeServices() {
    if (Node* current = node(); current && cycleTimer_ != 0) current->timers().cancel(cycleTimer_);
    cycleTimer_ = 0;
    if (server_) earlierRequests_ += server_->statusRequests();
    if (job_) jobEnded(false);
    jobServer_.reset();
    server_.reset();
}

void SimPrinter::followCycle() {
    cycleTimer_ = 0;
    if (!server_ || behaviour_.statusCycle.empty() || behaviour_.statusPeriod <= Duration::zero()) return;
    if (!job_) server_->setStatus(fitted(currentStatus()));
    const auto elapsed = clock().now() - cycleStart_;
    const auto untilNext = behaviour_.statusPeriod - elapsed % behaviour_.statusPeriod;
    cycleTimer_ = node()->timers().scheduleAfter(untilNext, [this] { followCycle(); });
}

PapServerEvents SimPrinter::jobEvents() {
    PapServerEvents events;
    events.started = [this](PapServerJob& connection) {
        job_ = std::make_unique<SimPrintJob>(behaviour_.spoolDirectory, ++jobsStarted_);
        jobRejected_ = false;
        if (!behaviour_.rejectError.empty()) {
            // The interpreter stops at the error and flushes the rest: the workstation hears
            // of it at once and still sends the job to its end.
            jobRejected_ = true;
            const std::string message = "%%[ Error: " + behaviour_.rejectError +
                                        " ]%%\r%%[ Flushing: rest of job (to end-of-file) will be ignored ]%%\r";
            connection.write(std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()));
        }
        showStatus();
    };
    events.data = [this](PapServerJob&, std::span<const std::uint8_t> bytes) { jobData(bytes); };
    events.endOfJob = [this](PapServerJob& connection) {
        answerQueries(connection);
        connection.finish();
    };
    events.ended = [this](PapServerJob&, bool complete) { jobEnded(complete); };
    return events;
}

void SimPrinter::jobData(std::span<const std::uint8_t> bytes) {
    if (!job_) return;
    const auto limit = behaviour_.failAfterBytes;
    if (limit && job_->bytes() + bytes.size() > *limit) {
        job_->append(bytes.first(static_cast<std::size_t>(*limit - job_->bytes())));
        jobServer_->abandonJob(); // ends the job through jobEnded(false)
        return;
    }
    job_->append(bytes);
    showStatus();
}

void SimPrinter::answerQueries(PapServerJob& connection) {
    if (!job_) return;
    job_->inputEnded();
    if (!job_->isQuery()) return;
    // What the queries' PostScript prints on a LaserWriter: *Product and *PSVersion in the
    // form a PPD gives them; the rest as a printer that knows nothing more would.
    const auto job = postscript::QueryJob::parse(job_->queryText());
    std::vector<std::string> answers;
    for (const postscript::PostScriptQuery& query : job.queries) {
        const bool feature = query.kind == postscript::QueryKind::Feature;
        if (feature && query.key() == "*Product")
            answers.push_back("(" + behaviour_.product + ")");
        else if (feature && query.key() == "*PSVersion")
            answers.push_back("(" + behaviour_.version + ") 0");
        else
            answers.push_back(query.defaultAnswer);
    }
    const std::string reply = postscript::QueryJob::composeReply(answers);
    connection.write(std::span(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()));
    ++queriesAnswered_;
}

void SimPrinter::jobEnded(bool complete) {
    if (!job_) return;
    if (job_->isQuery()) {
        job_.reset();
        showStatus();
        return;
    }
    JobRecord record{job_->title(), job_->bytes(), complete, jobRejected_, {}, {}};
    if (complete && !jobRejected_) record.spoolFile = job_->complete();
    record.problem = job_->problem();
    job_.reset();
    jobs_.push_back(std::move(record));
    showStatus();
    if (jobEnded_) jobEnded_(jobs_.back());
}

void SimPrinter::showStatus() {
    if (!server_) return;
    server_->setStatus(fitted(job_ ? job_->statusText() : currentStatus()));
}

} // namespace appletalk::sim
