#include "appletalk/sim/SimPrinter.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"

#include <memory>

namespace appletalk::sim {

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
}

std::string SimPrinter::currentStatus() const {
    const auto& cycle = behaviour_.statusCycle;
    if (cycle.empty() || behaviour_.statusPeriod <= Duration::zero()) return behaviour_.status;
    const auto elapsed = clock().now() - cycleStart_;
    return cycle[static_cast<std::size_t>(elapsed / behaviour_.statusPeriod) % cycle.size()];
}

std::uint8_t SimPrinter::openServices(Node& node) {
    responder_ = std::make_unique<AtpResponder>(node, 0, [this](const AtpIncomingRequest& r) { return handle(r); });
    return responder_->isOpen() ? responder_->socket() : 0;
}

void SimPrinter::closeServices() {
    if (Node* current = node())
        for (const TimerId timer : pending_) current->timers().cancel(timer);
    pending_.clear();
    responder_.reset();
}

std::vector<atp::AtpPayload> SimPrinter::statusReply() const {
    auto status = currentStatus();
    if (status.size() > pap::PapStatus::kMaxLength) status.resize(pap::PapStatus::kMaxLength);
    return {atp::AtpPayload{pap::PapHeader::status().serialize(), pap::PapStatus{status}.serialize()}};
}

AtpAnswer SimPrinter::handle(const AtpIncomingRequest& request) {
    const auto header = pap::PapHeader::parse(request.payload.userBytes);
    if (!header) return AtpAnswer::ignore();
    if (header->function == pap::PapFunction::OpenConn) {
        if (!behaviour_.answers) return AtpAnswer::ignore();
        pap::PapOpenConnReply busy{0, 8, pap::kOpenResultBusy, currentStatus().substr(0, pap::PapStatus::kMaxLength)};
        return AtpAnswer::reply({atp::AtpPayload{pap::PapHeader::openConnReply(header->connectionId).serialize(),
                                                 busy.serialize()}});
    }
    if (header->function != pap::PapFunction::SendStatus) return AtpAnswer::ignore();
    ++statusRequests_;
    if (!behaviour_.answers) return AtpAnswer::ignore();
    if (behaviour_.answerDelay <= Duration::zero()) return AtpAnswer::reply(statusReply());
    // The text is read when the answer leaves, as a slow printer would report it.
    auto id = std::make_shared<TimerId>(0);
    *id = node()->timers().scheduleAfter(behaviour_.answerDelay, [this, request, id] {
        pending_.erase(*id);
        if (responder_) responder_->respond(request, statusReply());
    });
    pending_.insert(*id);
    return AtpAnswer::later();
}

} // namespace appletalk::sim
