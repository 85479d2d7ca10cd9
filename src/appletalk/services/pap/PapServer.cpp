// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapServer.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"

#include <utility>

namespace appletalk {

PapServer::PapServer(Node& node, PapStatusServer& statusServer, PapServerEvents events, PapConnectionOptions options)
    : node_(node), statusServer_(statusServer), events_(std::move(events)), options_(options) {
    statusServer_.setOtherRequestHandler([this](const AtpIncomingRequest& request) { return handle(request); });
}

PapServer::~PapServer() {
    statusServer_.setOtherRequestHandler(nullptr);
    node_.timers().cancel(reaper_);
}

AtpAnswer PapServer::handle(const AtpIncomingRequest& request) {
    const auto header = pap::PapHeader::parse(request.payload.userBytes);
    const auto open = pap::PapOpenConn::parse(request.payload.data);
    if (!header || header->function != pap::PapFunction::OpenConn || !open || open->respondingSocket == 0 ||
        !statusServer_.isAnswering())
        return AtpAnswer::ignore();
    pap::PapOpenConnReply reply{0, options_.flowQuantum, pap::kOpenResultBusy, statusServer_.status()};
    if (!job_ && takingJobs_ && (!admits_ || admits_())) {
        const DdpAddress workstation{request.source.network, request.source.node, open->respondingSocket};
        auto job = std::make_unique<PapServerJob>(node_, options_, workstation);
        if (job->connection().isOpen()) {
            job_ = std::move(job);
            reply.respondingSocket = job_->connection().respondingSocket();
            reply.result = pap::kOpenResultOk;
            PapConnectionEvents events;
            events.received = [this](std::span<const std::uint8_t> bytes) {
                if (events_.data) events_.data(*job_, bytes);
            };
            events.peerFinished = [this] {
                if (events_.endOfJob) events_.endOfJob(*job_);
            };
            events.ended = [this](PapConnectionEnd) { jobEnded(); };
            job_->connection().start(header->connectionId, workstation, std::move(events));
            job_->connection().outbox().setEager(true);
            if (events_.started) events_.started(*job_);
        }
    }
    if (reply.result == pap::kOpenResultBusy) ++busyAnswers_;
    return AtpAnswer::reply(
        {atp::AtpPayload{pap::PapHeader::openConnReply(header->connectionId).serialize(), reply.serialize()}});
}

void PapServer::abandonJob() {
    if (!job_) return;
    job_->abandon();
    jobEnded();
}

void PapServer::jobEnded() {
    if (!job_) return;
    ending_ = std::move(job_);
    if (events_.ended) events_.ended(*ending_, ending_->workstationFinished());
    node_.timers().cancel(reaper_);
    reaper_ = node_.timers().scheduleAfter(Duration::zero(), [this] {
        reaper_ = 0;
        ending_.reset();
    });
}

} // namespace appletalk
