// SPDX-License-Identifier: MIT
// The server end of ASP. The server listening socket answers GetStatus with the status block
// and OpenSess with a session of its own: a responding socket for the workstation's Command,
// Write and CloseSess, and a requester that tickles the workstation, asks it for write data
// (WriteContinue), sends Attention and CloseSess. Tickles from the workstation come to the
// listening socket. A session that hears nothing from its workstation for the session
// timeout is closed without a word. Commands run exactly once (ATP's exactly-once cache
// answers a resent request); the owner gives each its result and reply. A session pulls the
// data of one Write at a time; another Write meanwhile is answered ServerBusy.
#pragma once

#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

struct AspCommandReply {
    std::int32_t result = 0;
    std::vector<std::uint8_t> reply; // at most a quantum; more is answered SizeErr
};

struct AspServerHandlers {
    std::function<std::vector<std::uint8_t>()> status; // the GetStatus block
    std::function<AspCommandReply(std::uint8_t session, std::span<const std::uint8_t> command)> command;
    // A Write: the command block and the data the workstation sent for it.
    std::function<AspCommandReply(std::uint8_t session, std::span<const std::uint8_t> command,
                                  std::span<const std::uint8_t> data)>
        write;
    std::function<void(std::uint8_t session)> closed; // by either end, or timed out
};

struct AspServerOptions {
    std::size_t maxSessions = 32;
    Duration tickleInterval = std::chrono::seconds(asp::kTickleIntervalSeconds);
    Duration sessionTimeout = std::chrono::seconds(asp::kSessionTimeoutSeconds);
    Duration retryInterval = std::chrono::seconds(2); // WriteContinue, Attention, CloseSess
};

class AspServer {
public:
    // Opens the listening socket (0: a dynamic one); isOpen() tells whether it worked.
    AspServer(Node& node, std::uint8_t listeningSocket, AspServerHandlers handlers, AspServerOptions options = {});
    ~AspServer();
    AspServer(const AspServer&) = delete;
    AspServer& operator=(const AspServer&) = delete;

    bool isOpen() const { return listener_.isOpen(); }
    std::uint8_t socket() const { return listener_.socket(); }
    std::size_t sessionCount() const { return sessions_.size(); }
    bool hasSession(std::uint8_t session) const { return sessions_.count(session) != 0; }
    // The workstation's socket of a session, for the log; nothing without the session.
    std::optional<DdpAddress> workstationOf(std::uint8_t session) const;

    // Sends an attention code (not 0) to the session's workstation. False without the session.
    bool attention(std::uint8_t session, std::uint16_t code);
    // Tells the workstation (CloseSess) and forgets the session at once.
    void close(std::uint8_t session);

private:
    struct Session;

    AtpAnswer listen(const AtpIncomingRequest& request);
    AtpAnswer openSession(const AtpIncomingRequest& request, std::uint8_t workstationSocket, std::uint16_t version);
    AtpAnswer serve(Session& session, const AtpIncomingRequest& request);
    AtpAnswer startWrite(Session& session, const AtpIncomingRequest& request);
    void heard(Session& session);
    void end(std::uint8_t id, bool tellWorkstation);
    void reapLater();
    std::uint8_t freeSessionId() const;

    Node& node_;
    AspServerHandlers handlers_;
    AspServerOptions options_;
    AtpResponder listener_;
    std::map<std::uint8_t, std::unique_ptr<Session>> sessions_;
    std::vector<std::unique_ptr<Session>> ending_;
    TimerId reaper_ = 0;
    std::uint8_t lastId_ = 0;
};

} // namespace appletalk
