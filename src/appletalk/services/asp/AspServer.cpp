// SPDX-License-Identifier: MIT
#include "appletalk/services/asp/AspServer.h"

#include "appletalk/protocols/asp/AspCmdResult.h"
#include "appletalk/protocols/asp/AspOpenSessReply.h"
#include "appletalk/protocols/asp/AspRequest.h"
#include "appletalk/protocols/asp/AspWriteContinue.h"
#include "appletalk/services/asp/AspPackets.h"

namespace appletalk {

using asp::AspFunction;
using asp::AspRequest;

struct AspServer::Session {
    Session(Node& node, std::uint8_t sessionId, DdpAddress workstationSocket, AtpResponder::Handler handler)
        : id(sessionId), workstation(workstationSocket), responder(node, 0, std::move(handler)), requester(node) {}

    std::uint8_t id;
    DdpAddress workstation;
    AtpResponder responder;
    AtpRequester requester;
    TimerId timeout = 0;
    AtpRequester::Handle tickle = 0;
    bool writing = false; // a Write is pulling its data: one at a time bounds what a session holds
    bool done = false; // ended, and its goodbye (if any) is over: ready to be destroyed
};

namespace {

AtpAnswer replyWith(const AspCommandReply& answer) {
    auto packets = asp::toPackets(asp::AspCmdResult{answer.result}.serialize(), answer.reply);
    if (!packets)
        packets = asp::toPackets(asp::AspCmdResult{static_cast<std::int32_t>(asp::AspError::SizeErr)}.serialize(), {});
    return AtpAnswer::reply(std::move(*packets));
}

bool sameNode(const DdpAddress& a, const DdpAddress& b) { return a.network == b.network && a.node == b.node; }

AtpRequestOptions oneTry(Duration interval, int retries) {
    AtpRequestOptions options;
    options.retryInterval = interval;
    options.retries = retries;
    return options;
}

} // namespace

AspServer::AspServer(Node& node, std::uint8_t listeningSocket, AspServerHandlers handlers, AspServerOptions options)
    : node_(node),
      handlers_(std::move(handlers)),
      options_(options),
      listener_(node, listeningSocket, [this](const AtpIncomingRequest& request) { return listen(request); }) {}

AspServer::~AspServer() {
    for (auto& [id, session] : sessions_) node_.timers().cancel(session->timeout);
    node_.timers().cancel(reaper_);
}

AtpAnswer AspServer::listen(const AtpIncomingRequest& request) {
    const auto header = AspRequest::parse(request.payload.userBytes);
    if (!header) return AtpAnswer::ignore();
    switch (header->function) {
    case AspFunction::GetStatus: {
        const auto status = handlers_.status ? handlers_.status() : std::vector<std::uint8_t>{};
        auto packets = asp::toPackets({}, status);
        return packets ? AtpAnswer::reply(std::move(*packets)) : AtpAnswer::ignore();
    }
    case AspFunction::OpenSess: return openSession(request, header->session, header->version());
    case AspFunction::Tickle: {
        // Tickles are never answered: the workstation's retries are the tickles.
        const auto found = sessions_.find(header->session);
        if (found != sessions_.end() && sameNode(found->second->workstation, request.source)) heard(*found->second);
        return AtpAnswer::ignore();
    }
    default: return AtpAnswer::ignore();
    }
}

std::optional<DdpAddress> AspServer::workstationOf(std::uint8_t session) const {
    const auto found = sessions_.find(session);
    if (found == sessions_.end()) return std::nullopt;
    return found->second->workstation;
}

AtpAnswer AspServer::openSession(const AtpIncomingRequest& request, std::uint8_t workstationSocket,
                                 std::uint16_t version) {
    const auto refuse = [](asp::AspError why) {
        return AtpAnswer::reply({atp::AtpPayload{asp::AspOpenSessReply::refused(why).serialize(), {}}});
    };
    if (version != asp::kAspVersion) return refuse(asp::AspError::BadVersNum);
    const std::uint8_t id = freeSessionId();
    if (sessions_.size() >= options_.maxSessions || id == asp::kNoSession) return refuse(asp::AspError::ServerBusy);
    DdpAddress workstation = request.source;
    workstation.socket = workstationSocket;
    auto session = std::make_unique<Session>(node_, id, workstation, [this, id](const AtpIncomingRequest& incoming) {
        const auto found = sessions_.find(id);
        return found == sessions_.end() ? AtpAnswer::ignore() : serve(*found->second, incoming);
    });
    if (!session->responder.isOpen() || !session->requester.isOpen()) return refuse(asp::AspError::ServerBusy);
    // The server's tickles: one request retried forever, cancelled with the session.
    session->tickle = session->requester.send(workstation, {AspRequest::tickle(id).serialize(), {}},
                                              oneTry(options_.tickleInterval, AtpRequestOptions::kInfiniteRetries), {});
    const std::uint8_t socket = session->responder.socket();
    lastId_ = id;
    heard(*sessions_.emplace(id, std::move(session)).first->second);
    return AtpAnswer::reply({atp::AtpPayload{asp::AspOpenSessReply{socket, id, 0}.serialize(), {}}});
}

AtpAnswer AspServer::serve(Session& session, const AtpIncomingRequest& request) {
    const auto header = AspRequest::parse(request.payload.userBytes);
    if (!header || header->session != session.id || !sameNode(request.source, session.workstation))
        return AtpAnswer::ignore();
    heard(session);
    switch (header->function) {
    case AspFunction::Command:
        if (!handlers_.command) return replyWith({static_cast<std::int32_t>(asp::AspError::ParamErr), {}});
        return replyWith(handlers_.command(session.id, request.payload.data));
    case AspFunction::Write: return startWrite(session, request);
    case AspFunction::CloseSess: {
        const std::uint8_t id = session.id;
        end(id, false);
        return AtpAnswer::reply({atp::AtpPayload{}});
    }
    default: return AtpAnswer::ignore();
    }
}

AtpAnswer AspServer::startWrite(Session& session, const AtpIncomingRequest& request) {
    if (session.writing) return replyWith({static_cast<std::int32_t>(asp::AspError::ServerBusy), {}});
    session.writing = true;
    const auto header = AspRequest::parse(request.payload.userBytes);
    const AspRequest more = AspRequest::writeContinue(session.id, header->sequence());
    AtpRequestOptions options = oneTry(options_.retryInterval, AtpRequestOptions::kInfiniteRetries);
    options.exactlyOnce = true;
    options.bitmap = 0xFF;
    const std::uint8_t id = session.id;
    session.requester.send(
        session.workstation, {more.serialize(), asp::AspWriteContinue{asp::kQuantumSize}.serialize()}, options,
        [this, id, request](const AtpResult& result) {
            const auto found = sessions_.find(id);
            if (found == sessions_.end()) return;
            found->second->writing = false;
            if (result.status != AtpStatus::Ok) return;
            const auto data = asp::joinPackets(result.packets);
            const AspCommandReply reply = handlers_.write
                                              ? handlers_.write(id, request.payload.data, data)
                                              : AspCommandReply{static_cast<std::int32_t>(asp::AspError::ParamErr), {}};
            found->second->responder.respond(request, replyWith(reply).packets);
        });
    return AtpAnswer::later();
}

bool AspServer::attention(std::uint8_t session, std::uint16_t code) {
    const auto found = sessions_.find(session);
    if (found == sessions_.end() || code == 0) return false;
    found->second->requester.send(found->second->workstation, {AspRequest::attention(session, code).serialize(), {}},
                                  oneTry(options_.retryInterval, 5), {});
    return true;
}

void AspServer::close(std::uint8_t session) { end(session, true); }

void AspServer::heard(Session& session) {
    node_.timers().cancel(session.timeout);
    const std::uint8_t id = session.id;
    session.timeout = node_.timers().scheduleAfter(options_.sessionTimeout, [this, id] { end(id, false); });
}

void AspServer::end(std::uint8_t id, bool tellWorkstation) {
    const auto found = sessions_.find(id);
    if (found == sessions_.end()) return;
    std::unique_ptr<Session> session = std::move(found->second);
    sessions_.erase(found);
    node_.timers().cancel(session->timeout);
    session->requester.cancel(session->tickle);
    // The session may be ending from inside its own responder's call: it is destroyed later,
    // from a timer, once its goodbye (CloseSess, a few tries) is answered or given up.
    Session* raw = session.get();
    ending_.push_back(std::move(session));
    if (tellWorkstation) {
        raw->requester.send(raw->workstation, {AspRequest::closeSess(id).serialize(), {}},
                            oneTry(options_.retryInterval, 2), [this, raw](const AtpResult&) {
                                raw->done = true;
                                reapLater();
                            });
    } else {
        raw->done = true;
        reapLater();
    }
    if (handlers_.closed) handlers_.closed(id);
}

void AspServer::reapLater() {
    if (node_.timers().isScheduled(reaper_)) return;
    reaper_ = node_.timers().scheduleAfter(Duration::zero(), [this] {
        std::erase_if(ending_, [](const std::unique_ptr<Session>& session) { return session->done; });
    });
}

std::uint8_t AspServer::freeSessionId() const {
    for (unsigned step = 1; step <= 255; ++step) {
        const auto id = static_cast<std::uint8_t>((lastId_ + step - 1) % 255 + 1);
        if (sessions_.count(id) == 0) return id;
    }
    return asp::kNoSession;
}

} // namespace appletalk
