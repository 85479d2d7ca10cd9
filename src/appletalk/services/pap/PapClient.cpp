// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapClient.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"

#include <algorithm>
#include <random>
#include <utility>

namespace appletalk {

namespace {

std::uint8_t randomConnectionId() {
    std::random_device device;
    return static_cast<std::uint8_t>(1 + device() % 255); // 0 is SendStatus's
}

} // namespace

PapClient::PapClient(Node& node, PapClientOptions options)
    : node_(node), options_(options), connection_(std::make_unique<PapConnection>(node, options.connection)) {}

PapClient::~PapClient() {
    node_.timers().cancel(busyTimer_);
    node_.timers().cancel(finishTimer_);
}

bool PapClient::open(DdpAddress serverListeningSocket, PapClientEvents events) {
    if (state_ != State::Idle || !connection_->isOpen()) return false;
    sls_ = serverListeningSocket;
    events_ = std::move(events);
    connectionId_ = randomConnectionId();
    firstTry_ = node_.clock().now();
    state_ = State::Opening;
    sendOpen();
    return true;
}

void PapClient::sendOpen() {
    busyTimer_ = 0;
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(node_.clock().now() - firstTry_).count();
    const pap::PapOpenConn request{connection_->respondingSocket(), options_.connection.flowQuantum,
                                   static_cast<std::uint16_t>(std::min<long long>(waited, 0xFFFF))};
    const AtpRequestOptions atp{.exactlyOnce = true,
                                .bitmap = 0x01,
                                .retryInterval = options_.openRetryInterval,
                                .retries = options_.openRetries};
    openTransaction_ =
        connection_->requester().send(sls_, {pap::PapHeader::openConn(connectionId_).serialize(), request.serialize()},
                                      atp, [this](const AtpResult& result) { openAnswered(result); });
    if (openTransaction_ == 0) finishWith(PapJobResult::Unreachable);
}

void PapClient::openAnswered(const AtpResult& result) {
    openTransaction_ = 0;
    if (result.status != AtpStatus::Ok || result.packets.empty()) return finishWith(PapJobResult::Unreachable);
    const auto header = pap::PapHeader::parse(result.packets[0].userBytes);
    const auto reply = pap::PapOpenConnReply::parse(result.packets[0].data);
    if (!header || header->function != pap::PapFunction::OpenConnReply || header->connectionId != connectionId_ ||
        !reply)
        return finishWith(PapJobResult::BadReply);
    if (reply->isBusy()) {
        if (events_.busy) events_.busy(reply->status);
        if (state_ != State::Opening) return; // cancelled from the handler
        busyTimer_ = node_.timers().scheduleAfter(options_.busyRetryInterval, [this] { sendOpen(); });
        return;
    }
    if (reply->result != pap::kOpenResultOk) return finishWith(PapJobResult::Refused);
    // Sockets 0 and 255 are DDP's own: a connection there could never be reached.
    if (reply->respondingSocket == 0 || reply->respondingSocket == 0xFF) return finishWith(PapJobResult::BadReply);
    state_ = State::Open;
    PapConnectionEvents events;
    events.received = [this](std::span<const std::uint8_t> bytes) {
        if (events_.message) events_.message(bytes);
    };
    events.peerFinished = [this] { checkDone(); };
    events.drained = [this] {
        if (events_.drained) events_.drained();
        checkDone();
    };
    events.ended = [this](PapConnectionEnd how) { connectionEnded(how); };
    connection_->start(connectionId_, {sls_.network, sls_.node, reply->respondingSocket}, std::move(events));
    connection_->outbox().write(std::exchange(early_, {}));
    if (finishing_) connection_->outbox().finish();
    if (events_.opened) events_.opened();
}

void PapClient::write(std::span<const std::uint8_t> bytes) {
    if (finishing_ || state_ == State::Closing || state_ == State::Finished) return;
    if (state_ == State::Open) {
        connection_->outbox().write(bytes);
    } else {
        early_.insert(early_.end(), bytes.begin(), bytes.end());
    }
}

void PapClient::finish() {
    if (finishing_) return;
    finishing_ = true;
    if (state_ == State::Open) connection_->outbox().finish();
}

void PapClient::checkDone() {
    if (state_ != State::Open || !connection_->peerHasFinished() || !connection_->outbox().eofSent()) return;
    state_ = State::Closing;
    pendingResult_ = PapJobResult::Done;
    connection_->close();
}

void PapClient::cancel() {
    switch (state_) {
    case State::Idle:
    case State::Finished: return;
    case State::Opening:
        connection_->requester().cancel(openTransaction_);
        openTransaction_ = 0;
        node_.timers().cancel(busyTimer_);
        busyTimer_ = 0;
        // Reported from a timer, so a caller never sees the completion run inside cancel().
        state_ = State::Closing;
        finishTimer_ = node_.timers().scheduleAfter(Duration::zero(), [this] {
            finishTimer_ = 0;
            finishWith(PapJobResult::Cancelled);
        });
        return;
    case State::Open:
        state_ = State::Closing;
        pendingResult_ = PapJobResult::Cancelled;
        connection_->close();
        return;
    case State::Closing: return;
    }
}

void PapClient::connectionEnded(PapConnectionEnd how) {
    if (state_ == State::Closing) return finishWith(pendingResult_);
    finishWith(how == PapConnectionEnd::TimedOut ? PapJobResult::ConnectionLost : PapJobResult::ClosedByPrinter);
}

void PapClient::finishWith(PapJobResult result) {
    if (state_ == State::Finished) return;
    state_ = State::Finished;
    auto finished = std::move(events_.finished);
    events_ = {};
    // Last: the owner may destroy this client.
    if (finished) finished(result);
}

std::uint64_t PapClient::bytesSent() const {
    const PapOutbox* outbox = connection_->startedOutbox();
    return outbox ? outbox->bytesSent() : 0;
}

bool PapClient::eofTaken() const {
    const PapOutbox* outbox = connection_->startedOutbox();
    return outbox != nullptr && outbox->eofSent();
}

std::size_t PapClient::queuedBytes() const {
    const PapOutbox* outbox = connection_->startedOutbox();
    return outbox ? outbox->queuedBytes() : early_.size();
}

} // namespace appletalk
