// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapConnection.h"

#include "appletalk/protocols/pap/PapPacket.h"

#include <utility>

namespace appletalk {

namespace {

std::uint8_t bitmapFor(std::uint8_t flowQuantum) {
    const unsigned packets = flowQuantum == 0 ? 1u : (flowQuantum > 8 ? 8u : flowQuantum);
    return static_cast<std::uint8_t>((1u << packets) - 1);
}

} // namespace

PapConnection::PapConnection(Node& node, PapConnectionOptions options)
    : node_(node), options_(options), requester_(node) {
    responder_ = std::make_unique<AtpResponder>(node, 0, [this](const AtpIncomingRequest& r) { return handle(r); });
}

PapConnection::~PapConnection() {
    node_.timers().cancel(timeout_);
    node_.timers().cancel(deferredEnd_);
    node_.timers().cancel(nextAsk_);
}

void PapConnection::endLater(PapConnectionEnd how) {
    if (deferredEnd_ != 0) return;
    deferredEnd_ = node_.timers().scheduleAfter(Duration::zero(), [this, how] {
        deferredEnd_ = 0;
        end(how);
    });
}

void PapConnection::start(std::uint8_t connectionId, DdpAddress peer, PapConnectionEvents events) {
    if (running_ || !isOpen()) return;
    connectionId_ = connectionId;
    peer_ = peer;
    events_ = std::move(events);
    outbox_ = std::make_unique<PapOutbox>(*responder_, connectionId);
    outbox_->setDrainedHandler([this] {
        if (events_.drained) events_.drained();
    });
    running_ = true;
    started_ = true;
    heard();
    // A tickle is never answered: the same TReq goes out again every half timeout for as
    // long as the connection lives, which is exactly the keep-alive the other end expects.
    const AtpRequestOptions tickle{.exactlyOnce = false,
                                   .bitmap = 0x01,
                                   .retryInterval = options_.connectionTimeout / 2,
                                   .retries = AtpRequestOptions::kInfiniteRetries};
    tickle_ = requester_.send(peer_, *pap::PapPacket::tickle(connectionId_).serialize(), tickle, nullptr);
    askForData();
    if (auto early = std::exchange(early_, std::nullopt)) {
        AtpAnswer answer = handle(*early);
        if (answer.kind == AtpAnswer::Kind::Reply) responder_->respond(*early, std::move(answer.packets));
    }
}

AtpAnswer PapConnection::handle(const AtpIncomingRequest& request) {
    const auto packet = pap::PapPacket::parse(request.payload);
    if (!running_) {
        // The printer starts asking for data as soon as it has answered OpenConn, so its first
        // SendData can overtake the reply. Kept until start(), instead of costing a 15 s retry.
        if (started_ || early_ || !packet || packet->header.function != pap::PapFunction::SendData)
            return AtpAnswer::ignore();
        early_ = request;
        return AtpAnswer::later();
    }
    if (!packet || packet->header.connectionId != connectionId_ || request.source.node != peer_.node)
        return AtpAnswer::ignore();
    heard();
    switch (packet->header.function) {
    case pap::PapFunction::SendData: return outbox_->onSendData(request, packet->header.sequence());
    case pap::PapFunction::CloseConn: {
        const auto reply = *pap::PapPacket::closeConnReply(connectionId_).serialize();
        responder_->respond(request, {reply});
        // Ended from a timer: the owner may destroy us, and the responder is still in its call.
        stopTraffic();
        endLater(PapConnectionEnd::ClosedByPeer);
        return AtpAnswer::later();
    }
    default: return AtpAnswer::ignore(); // tickles only keep us alive
    }
}

void PapConnection::resumeReceiving() {
    receivePaused_ = false;
    if (sendData_ == 0) askForData();
}

void PapConnection::askForData() {
    if (!running_ || closing_ || peerFinished_ || receivePaused_) return;
    sequence_ = static_cast<std::uint16_t>(sequence_ == 0xFFFF ? 1 : sequence_ + 1);
    const AtpRequestOptions options{.exactlyOnce = true,
                                    .bitmap = bitmapFor(options_.flowQuantum),
                                    .retryInterval = options_.sendDataRetry,
                                    .retries = AtpRequestOptions::kInfiniteRetries};
    sendData_ = requester_.send(peer_, *pap::PapPacket::sendData(connectionId_, sequence_).serialize(), options,
                                [this](const AtpResult& result) { dataArrived(result); });
}

void PapConnection::dataArrived(const AtpResult& result) {
    sendData_ = 0;
    if (result.status != AtpStatus::Ok) return; // only cancelled requests end otherwise
    heard();
    bool finished = false;
    bool delivered = false;
    for (const auto& payload : result.packets) {
        // The header alone is parsed: the data is handed on from the ATP packet, not copied.
        const auto header = pap::PapHeader::parse(payload.userBytes);
        if (!header || header->function != pap::PapFunction::Data || payload.data.size() > pap::kMaxDataPerPacket)
            continue;
        if (!payload.data.empty()) {
            delivered = true;
            bytesReceived_ += payload.data.size();
            if (events_.received) events_.received(payload.data);
            if (!running_) return;
        }
        if (header->endOfFile()) {
            finished = true;
            break;
        }
    }
    if (finished) {
        peerFinished_ = true;
        if (events_.peerFinished) events_.peerFinished();
        return;
    }
    if (delivered) {
        askForData();
        return;
    }
    // An answer with nothing usable in it (Data over 512 bytes, no data, no EOF) is taken as
    // no answer: the next SendData goes at the pace of a lost one, so a printer that answers
    // every request at once with junk cannot keep this end asking in a busy loop.
    node_.timers().cancel(nextAsk_);
    nextAsk_ = node_.timers().scheduleAfter(options_.sendDataRetry, [this] {
        nextAsk_ = 0;
        askForData();
    });
}

void PapConnection::heard() {
    lastHeard_ = node_.clock().now();
    if (timeout_ == 0) armTimeout();
}

void PapConnection::armTimeout() {
    timeout_ = node_.timers().scheduleAt(lastHeard_ + options_.connectionTimeout, [this] {
        timeout_ = 0;
        if (!running_) return;
        if (node_.clock().now() - lastHeard_ >= options_.connectionTimeout) {
            stopTraffic();
            end(PapConnectionEnd::TimedOut);
            return;
        }
        armTimeout();
    });
}

void PapConnection::close() {
    if (!running_ || closing_) return;
    closing_ = true;
    requester_.cancel(sendData_);
    requester_.cancel(tickle_);
    sendData_ = tickle_ = 0;
    node_.timers().cancel(nextAsk_);
    nextAsk_ = 0;
    const AtpRequestOptions options{
        .exactlyOnce = true, .bitmap = 0x01, .retryInterval = options_.closeRetry, .retries = options_.closeRetries};
    const auto sent = requester_.send(peer_, *pap::PapPacket::closeConn(connectionId_).serialize(), options,
                                      [this](const AtpResult&) {
                                          stopTraffic();
                                          end(PapConnectionEnd::Closed);
                                      });
    if (sent == 0) {
        stopTraffic();
        endLater(PapConnectionEnd::Closed);
    }
}

void PapConnection::abandon() {
    stopTraffic();
    running_ = false;
}

void PapConnection::stopTraffic() {
    requester_.cancel(sendData_);
    requester_.cancel(tickle_);
    sendData_ = tickle_ = 0;
    node_.timers().cancel(nextAsk_);
    nextAsk_ = 0;
    node_.timers().cancel(timeout_);
    timeout_ = 0;
}

void PapConnection::end(PapConnectionEnd how) {
    if (!running_) return;
    running_ = false;
    auto ended = std::move(events_.ended);
    events_ = {};
    // Last: the owner may destroy this connection.
    if (ended) ended(how);
}

} // namespace appletalk
