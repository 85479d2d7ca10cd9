// SPDX-License-Identifier: MIT
#include "appletalk/afp/service/AppleShareService.h"

#include "appletalk/protocols/afp/AfpResult.h"

namespace appletalk::afp {

namespace {

using namespace std::chrono_literals;

// Three LkUps a second apart, as a Mac looks before it registers a name.
const runtime::LookupParameters kNameCheck{1s, 2, 4};

std::string registerProblem(NbpRegisterResult result) {
    switch (result) {
    case NbpRegisterResult::Ok: return {};
    case NbpRegisterResult::InvalidName: return "it is not a name NBP can register";
    case NbpRegisterResult::InvalidSocket: return "no socket for it";
    case NbpRegisterResult::Duplicate: return "it is registered on this node already";
    case NbpRegisterResult::NoRoom: return "too many names on its socket";
    }
    return "it could not be registered";
}

AfpAnswer refused(AfpResult result) { return {static_cast<std::int32_t>(result), {}}; }

} // namespace

AppleShareService::AppleShareService(Node& node, runtime::NetworkOperations& network, AfpServer& server,
                                     std::string serverName, int dsiListenFd, Clock& clock, Log log,
                                     AppleShareServiceOptions options)
    : node_(node),
      network_(network),
      server_(server),
      name_{std::move(serverName), kNbpType, "*"},
      log_(std::move(log)),
      registry_(node),
      asp_(node, 0, aspHandlers(), options.asp) {
    if (dsiListenFd >= 0) {
        options.dsi.maxSessions = options.asp.maxSessions;
        if (!options.dsi.log) options.dsi.log = log_;
        dsiQuantum_ = options.dsi.requestQuantum;
        dsi_ = std::make_unique<DsiServer>(dsiListenFd, dsiHandlers(), options.dsi, clock);
    }
    network_.whenStarted([this, alive = std::weak_ptr<bool>(alive_)](bool ok) {
        if (!alive.expired()) networkStarted(ok);
    });
}

AppleShareService::~AppleShareService() {
    node_.timers().cancel(closer_);
    if (lookup_ != 0) network_.cancel(lookup_);
    if (nameState_ == ShareNameState::Registered) registry_.removeName(name_);
    // The transports' closed handlers would reach into the maps while they go.
    dsi_.reset();
    dsiSessions_.clear();
    aspSessions_.clear();
}

nbp::NbpName AppleShareService::shownName() const {
    return {name_.object, name_.type, zone_.empty() ? std::string("*") : zone_};
}

void AppleShareService::networkStarted(bool ok) {
    if (!ok || stopping_ || nameState_ != ShareNameState::Waiting) return;
    if (const auto info = network_.nodeInfo()) zone_ = info->zone;
    // On an extended cable a node knows its zone, and answers only for it.
    if (node_.isExtended() && !zone_.empty()) registry_.setZoneRule(nbp::NbpZoneRule::myZone(zone_));
    checkName();
}

void AppleShareService::checkName() {
    if (!registry_.isOpen() || !asp_.isOpen()) {
        nameState_ = ShareNameState::Refused;
        log_(!asp_.isOpen() ? "no socket is left on the node for ASP" : "the node's NBP socket is taken");
        return;
    }
    nameState_ = ShareNameState::Checking;
    auto inUse = std::make_shared<bool>(false);
    lookup_ = network_.lookup(
        {name_.object, name_.type, "*"}, kNameCheck, [inUse](const nbp::NbpTuple&) { *inUse = true; },
        [this, inUse](int) {
            lookup_ = 0;
            nameChecked(*inUse);
        });
}

void AppleShareService::nameChecked(bool inUse) {
    if (stopping_) return;
    if (inUse) {
        // Two servers under one name would split the Macs between them: this one stays unseen.
        nameState_ = ShareNameState::NameInUse;
        return;
    }
    const std::string problem = registerProblem(registry_.registerName(name_, asp_.socket()));
    if (!problem.empty()) {
        nameState_ = ShareNameState::Refused;
        log_("the name was not registered: " + problem);
        return;
    }
    nameState_ = ShareNameState::Registered;
}

AspServerHandlers AppleShareService::aspHandlers() {
    AspServerHandlers handlers;
    handlers.status = [this] { return server_.statusBlock(); };
    handlers.command = [this](std::uint8_t id, std::span<const std::uint8_t> command) {
        AfpAnswer answer = aspCommand(id, command);
        return AspCommandReply{answer.result, std::move(answer.reply)};
    };
    handlers.write = [this](std::uint8_t id, std::span<const std::uint8_t> command,
                            std::span<const std::uint8_t> data) {
        AfpAnswer answer = aspWrite(id, command, data);
        return AspCommandReply{answer.result, std::move(answer.reply)};
    };
    handlers.closed = [this](std::uint8_t id) { aspSessions_.erase(id); };
    return handlers;
}

DsiServerHandlers AppleShareService::dsiHandlers() {
    DsiServerHandlers handlers;
    handlers.status = [this] { return server_.statusBlock(); };
    handlers.opened = [this](std::uint32_t id, const std::string& peer) {
        if (stopping_) return false;
        AfpSessionOptions options;
        options.transport = AfpSessionTransport::Dsi;
        options.maxReply = dsiQuantum_;
        options.peer = peer;
        auto session = server_.openSession(std::move(options));
        if (!session) return false;
        dsiSessions_[id] = std::move(session);
        return true;
    };
    handlers.command = [this](std::uint32_t id, std::span<const std::uint8_t> command) {
        AfpAnswer answer = dsiCommand(id, command, {}, false);
        return DsiCommandReply{answer.result, std::move(answer.reply)};
    };
    handlers.write = [this](std::uint32_t id, std::span<const std::uint8_t> command,
                            std::span<const std::uint8_t> data) {
        AfpAnswer answer = dsiCommand(id, command, data, true);
        return DsiCommandReply{answer.result, std::move(answer.reply)};
    };
    handlers.closed = [this](std::uint32_t id) { dsiSessions_.erase(id); };
    return handlers;
}

AfpSession* AppleShareService::aspSession(std::uint8_t id) {
    if (const auto found = aspSessions_.find(id); found != aspSessions_.end()) return found->second.get();
    if (stopping_) return nullptr;
    AfpSessionOptions options;
    options.transport = AfpSessionTransport::Asp;
    options.maxReply = kAspMaxReply;
    if (const auto workstation = asp_.workstationOf(id))
        options.peer = "AppleTalk " + std::to_string(workstation->network) + "." + std::to_string(workstation->node) +
                       ":" + std::to_string(workstation->socket);
    auto session = server_.openSession(std::move(options));
    if (!session) return nullptr;
    return aspSessions_.emplace(id, std::move(session)).first->second.get();
}

AfpAnswer AppleShareService::aspCommand(std::uint8_t id, std::span<const std::uint8_t> command) {
    AfpSession* session = aspSession(id);
    if (session == nullptr) {
        // Over the server's limit of sessions: the workstation hears why, then the session goes.
        aspToClose_.push_back(id);
        closeLater();
        return refused(stopping_ ? AfpResult::ServerGoingDown : AfpResult::MiscErr);
    }
    AfpAnswer answer = session->command(command);
    if (session->loggedOut()) {
        aspToClose_.push_back(id);
        closeLater();
    }
    return answer;
}

AfpAnswer AppleShareService::aspWrite(std::uint8_t id, std::span<const std::uint8_t> command,
                                      std::span<const std::uint8_t> data) {
    AfpSession* session = aspSession(id);
    if (session == nullptr) return refused(stopping_ ? AfpResult::ServerGoingDown : AfpResult::MiscErr);
    return session->write(command, data);
}

AfpAnswer AppleShareService::dsiCommand(std::uint32_t id, std::span<const std::uint8_t> command,
                                        std::span<const std::uint8_t> data, bool isWrite) {
    const auto found = dsiSessions_.find(id);
    if (found == dsiSessions_.end()) return refused(AfpResult::SessClosed);
    AfpSession& session = *found->second;
    AfpAnswer answer = isWrite ? session.write(command, data) : session.command(command);
    if (session.loggedOut()) {
        dsiToClose_.push_back(id);
        closeLater();
    }
    return answer;
}

void AppleShareService::closeLater() {
    if (node_.timers().isScheduled(closer_)) return;
    closer_ = node_.timers().scheduleAfter(Duration::zero(), [this] { closePending(); });
}

void AppleShareService::closePending() {
    // Each close calls the closed handler, which forgets the AfpSession.
    for (const std::uint8_t id : std::exchange(aspToClose_, {})) {
        if (asp_.hasSession(id)) asp_.close(id);
        aspSessions_.erase(id);
    }
    for (const std::uint32_t id : std::exchange(dsiToClose_, {})) {
        if (dsi_) dsi_->close(id);
        dsiSessions_.erase(id);
    }
}

void AppleShareService::shutdown() {
    if (stopping_) return;
    stopping_ = true;
    if (lookup_ != 0) network_.cancel(lookup_);
    lookup_ = 0;
    if (nameState_ == ShareNameState::Registered) registry_.removeName(name_);
    nameState_ = ShareNameState::Waiting;
    // Zero minutes: the server goes now. Each attention goes out before the close that follows.
    // Sessions that have sent no command yet have no AfpSession, but are told all the same.
    for (unsigned id = 1; id <= 255; ++id) {
        if (!asp_.hasSession(static_cast<std::uint8_t>(id))) continue;
        asp_.attention(static_cast<std::uint8_t>(id), kAttentionShutdown);
        asp_.close(static_cast<std::uint8_t>(id));
    }
    aspSessions_.clear();
    if (dsi_) {
        for (const auto& [id, session] : dsiSessions_) dsi_->attention(id, kAttentionShutdown);
        dsi_->closeAll();
    }
    dsiSessions_.clear();
}

} // namespace appletalk::afp
