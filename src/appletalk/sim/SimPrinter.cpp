#include "appletalk/sim/SimPrinter.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"

namespace appletalk::sim {

namespace {

std::string fitted(std::string status) {
    if (status.size() > pap::PapStatus::kMaxLength) status.resize(pap::PapStatus::kMaxLength);
    return status;
}

} // namespace

SimPrinter::SimPrinter(const Clock& clock, LinkFactory links, DevicePlacement placement, PrinterBehaviour behaviour)
    : SimDevice(clock, std::move(links), std::move(placement)), behaviour_(std::move(behaviour)), cycleStart_(clock.now()) {
    setName(nbp::NbpName{behaviour_.name, behaviour_.type, "*"});
}

SimPrinter::~SimPrinter() {
    closeServices();
}

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
    server_->setOtherRequestHandler([this](const AtpIncomingRequest& r) { return refuseConnection(r); });
    followCycle();
    return server_->isOpen() ? server_->socket() : 0;
}

void SimPrinter::closeServices() {
    if (Node* current = node(); current && cycleTimer_ != 0) current->timers().cancel(cycleTimer_);
    cycleTimer_ = 0;
    if (server_) earlierRequests_ += server_->statusRequests();
    server_.reset();
}

void SimPrinter::followCycle() {
    cycleTimer_ = 0;
    if (!server_ || behaviour_.statusCycle.empty() || behaviour_.statusPeriod <= Duration::zero()) return;
    server_->setStatus(fitted(currentStatus()));
    const auto elapsed = clock().now() - cycleStart_;
    const auto untilNext = behaviour_.statusPeriod - elapsed % behaviour_.statusPeriod;
    cycleTimer_ = node()->timers().scheduleAfter(untilNext, [this] { followCycle(); });
}

AtpAnswer SimPrinter::refuseConnection(const AtpIncomingRequest& request) const {
    // No jobs are taken: OpenConn is answered "busy" with the status, so a client that tries
    // to print learns why it cannot.
    const auto header = pap::PapHeader::parse(request.payload.userBytes);
    if (!header || header->function != pap::PapFunction::OpenConn || !behaviour_.answers) return AtpAnswer::ignore();
    const pap::PapOpenConnReply busy{0, 8, pap::kOpenResultBusy, fitted(currentStatus())};
    return AtpAnswer::reply(
        {atp::AtpPayload{pap::PapHeader::openConnReply(header->connectionId).serialize(), busy.serialize()}});
}

} // namespace appletalk::sim
