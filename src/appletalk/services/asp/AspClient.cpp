// SPDX-License-Identifier: MIT
#include "appletalk/services/asp/AspClient.h"

#include "appletalk/protocols/asp/AspCmdResult.h"
#include "appletalk/protocols/asp/AspOpenSessReply.h"
#include "appletalk/protocols/asp/AspRequest.h"
#include "appletalk/protocols/asp/AspWriteContinue.h"
#include "appletalk/services/asp/AspPackets.h"

namespace appletalk {

using asp::AspFunction;
using asp::AspRequest;

namespace {

AspClientStatus statusOf(AtpStatus status) {
    if (status == AtpStatus::Ok) return AspClientStatus::Ok;
    if (status == AtpStatus::BadReply) return AspClientStatus::BadReply;
    return AspClientStatus::NoResponse;
}

AspCallResult failed(AspClientStatus status) { return {status, 0, {}}; }

} // namespace

AspClient::AspClient(Node& node, AspClientEvents events, AspClientOptions options)
    : node_(node),
      events_(std::move(events)),
      options_(options),
      requester_(node),
      responder_(node, 0, [this](const AtpIncomingRequest& request) { return receive(request); }) {}

AspClient::~AspClient() { node_.timers().cancel(timeout_); }

bool AspClient::getStatus(DdpAddress listeningSocket, Completion completion) {
    AtpRequestOptions options{true, 0xFF, options_.retryInterval, options_.retries};
    return requester_.send(listeningSocket, {AspRequest::getStatus().serialize(), {}}, options,
                           [completion](const AtpResult& result) {
                               completion({statusOf(result.status), 0, asp::joinPackets(result.packets)});
                           }) != 0;
}

bool AspClient::open(DdpAddress listeningSocket, Completion completion) {
    if (isOpen() || !responder_.isOpen()) return false;
    AtpRequestOptions options{true, 0x01, options_.retryInterval, options_.retries};
    const auto request = AspRequest::openSess(responder_.socket());
    return requester_.send(listeningSocket, {request.serialize(), {}}, options,
                           [this, listeningSocket, completion](const AtpResult& result) {
                               if (result.status != AtpStatus::Ok) return completion(failed(statusOf(result.status)));
                               const auto reply = asp::AspOpenSessReply::parse(result.packets.front().userBytes);
                               if (!reply) return completion(failed(AspClientStatus::BadReply));
                               if (!reply->opened()) return completion({AspClientStatus::Refused, reply->error, {}});
                               opened(listeningSocket, reply->serverSocket, reply->session);
                               completion({AspClientStatus::Ok, 0, {}});
                           }) != 0;
}

void AspClient::opened(DdpAddress listeningSocket, std::uint8_t serverSocket, std::uint8_t session) {
    session_ = session;
    server_ = listeningSocket;
    server_.socket = serverSocket;
    sequence_ = 0;
    // Tickles go to the listening socket: one request retried forever, never answered.
    AtpRequestOptions tickle{false, 0x01, options_.tickleInterval, AtpRequestOptions::kInfiniteRetries};
    tickle_ = requester_.send(listeningSocket, {AspRequest::tickle(session).serialize(), {}}, tickle, {});
    heard();
}

bool AspClient::command(std::vector<std::uint8_t> block, Completion completion) {
    return call(AspFunction::Command, std::move(block), std::move(completion));
}

bool AspClient::write(std::vector<std::uint8_t> block, std::vector<std::uint8_t> data, Completion completion) {
    if (data.size() > asp::kQuantumSize || !isOpen()) return false;
    writeData_[sequence_] = std::move(data);
    const std::uint16_t sequence = sequence_;
    if (call(AspFunction::Write, std::move(block), std::move(completion))) return true;
    writeData_.erase(sequence);
    return false;
}

bool AspClient::call(AspFunction function, std::vector<std::uint8_t> block, Completion completion) {
    if (!isOpen() || block.size() > asp::kMaxCommandBlock) return false;
    const std::uint16_t sequence = sequence_;
    const AspRequest request{function, session_, sequence};
    // Exactly once, retried while the session lives: the session timeout ends a dead server.
    AtpRequestOptions options{true, 0xFF, options_.retryInterval, AtpRequestOptions::kInfiniteRetries};
    const auto handle = requester_.send(
        server_, {request.serialize(), std::move(block)}, options,
        [this, sequence, completion](const AtpResult& result) {
            writeData_.erase(sequence);
            if (result.status != AtpStatus::Ok) return completion(failed(statusOf(result.status)));
            heard();
            const auto cmdResult = asp::AspCmdResult::parse(result.packets.front().userBytes);
            completion({AspClientStatus::Ok, cmdResult ? cmdResult->result : 0, asp::joinPackets(result.packets)});
        });
    if (handle == 0) return false;
    ++sequence_;
    return true;
}

AtpAnswer AspClient::receive(const AtpIncomingRequest& request) {
    const auto header = AspRequest::parse(request.payload.userBytes);
    if (!header || !isOpen() || header->session != session_ || request.source.node != server_.node)
        return AtpAnswer::ignore();
    heard();
    switch (header->function) {
    case AspFunction::Tickle: return AtpAnswer::ignore();
    case AspFunction::Attention:
        if (events_.attention) events_.attention(header->attentionCode());
        return AtpAnswer::reply({atp::AtpPayload{}});
    case AspFunction::CloseSess: ended(); return AtpAnswer::reply({atp::AtpPayload{}});
    case AspFunction::WriteContinue: {
        const auto wanted = asp::AspWriteContinue::parse(request.payload.data);
        const auto found = writeData_.find(header->sequence());
        if (!wanted || found == writeData_.end()) return AtpAnswer::ignore();
        const std::size_t size = std::min<std::size_t>(wanted->bufferSize, found->second.size());
        auto packets = asp::toPackets({}, std::span(found->second).first(size));
        return AtpAnswer::reply(std::move(*packets));
    }
    default: return AtpAnswer::ignore();
    }
}

void AspClient::close() {
    if (!isOpen()) return;
    AtpRequestOptions options{false, 0x01, options_.retryInterval, options_.retries};
    requester_.send(server_, {AspRequest::closeSess(session_).serialize(), {}}, options, [](const AtpResult&) {});
    ended();
}

void AspClient::heard() {
    node_.timers().cancel(timeout_);
    timeout_ = node_.timers().scheduleAfter(options_.sessionTimeout, [this] { ended(); });
}

void AspClient::ended() {
    if (!isOpen()) return;
    session_ = asp::kNoSession;
    node_.timers().cancel(timeout_);
    requester_.cancel(tickle_);
    if (events_.closed) events_.closed();
}

} // namespace appletalk
