// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapStatusServer.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"

#include <utility>

namespace appletalk {

PapStatusServer::PapStatusServer(Node& node, std::uint8_t socket, std::string status)
    : node_(node),
      status_(status.size() <= pap::PapStatus::kMaxLength ? std::move(status) : std::string()),
      responder_(node, socket, [this](const AtpIncomingRequest& request) { return handle(request); }) {}

PapStatusServer::~PapStatusServer() {
    for (const TimerId timer : delayed_) node_.timers().cancel(timer);
}

bool PapStatusServer::setStatus(std::string status) {
    if (status.size() > pap::PapStatus::kMaxLength) return false;
    status_ = std::move(status);
    return true;
}

AtpAnswer PapStatusServer::handle(const AtpIncomingRequest& request) {
    const auto header = pap::PapHeader::parse(request.payload.userBytes);
    if (!header) return AtpAnswer::ignore();
    if (header->function != pap::PapFunction::SendStatus) return other_ ? other_(request) : AtpAnswer::ignore();
    ++statusRequests_;
    if (!answering_) return AtpAnswer::ignore();
    if (delay_ <= Duration::zero()) return AtpAnswer::reply(statusReply());
    auto timer = std::make_shared<TimerId>(0);
    *timer = node_.timers().scheduleAfter(delay_, [this, request, timer] {
        delayed_.erase(*timer);
        responder_.respond(request, statusReply());
    });
    delayed_.insert(*timer);
    return AtpAnswer::later();
}

std::vector<atp::AtpPayload> PapStatusServer::statusReply() const {
    return {atp::AtpPayload{pap::PapHeader::status().serialize(), pap::PapStatus{status_}.serialize()}};
}

} // namespace appletalk
