// SPDX-License-Identifier: MIT
// The workstation end of ASP: asks a server's listening socket for its status, opens one
// session, sends commands and writes (answering the server's WriteContinue with the data),
// tickles the server, hears its tickles, attentions and CloseSess on the workstation session
// socket, and closes. A session that hears nothing from its server for the session timeout
// is over.
#pragma once

#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace appletalk {

enum class AspClientStatus {
    Ok,
    Refused, // OpenSess answered with an error (see AspCallResult::result)
    NoResponse,
    BadReply,
    NotOpen, // no session (never opened, closed, timed out)
};

struct AspCallResult {
    AspClientStatus status = AspClientStatus::Ok;
    std::int32_t result = 0; // the command result, or OpenSess's error code
    std::vector<std::uint8_t> reply;
};

struct AspClientEvents {
    std::function<void(std::uint16_t code)> attention;
    std::function<void()> closed; // by the server, by close(), or timed out
};

struct AspClientOptions {
    Duration tickleInterval = std::chrono::seconds(asp::kTickleIntervalSeconds);
    Duration sessionTimeout = std::chrono::seconds(asp::kSessionTimeoutSeconds);
    Duration retryInterval = std::chrono::seconds(2);
    int retries = 5; // OpenSess, GetStatus, CloseSess; commands are retried for the session's life
};

class AspClient {
public:
    using Completion = std::function<void(const AspCallResult&)>;

    AspClient(Node& node, AspClientEvents events = {}, AspClientOptions options = {});
    ~AspClient();
    AspClient(const AspClient&) = delete;
    AspClient& operator=(const AspClient&) = delete;

    bool isOpen() const { return session_ != asp::kNoSession; }
    std::uint8_t session() const { return session_; }

    // False (and no call back) when the request cannot start: no sockets, a session already
    // open (open), no session (command, write), a command block over 578 bytes, write data
    // over a quantum.
    bool getStatus(DdpAddress listeningSocket, Completion completion);
    bool open(DdpAddress listeningSocket, Completion completion);
    bool command(std::vector<std::uint8_t> block, Completion completion);
    bool write(std::vector<std::uint8_t> block, std::vector<std::uint8_t> data, Completion completion);
    // Tells the server and ends the session; `closed` comes at once.
    void close();

private:
    AtpAnswer receive(const AtpIncomingRequest& request);
    bool call(asp::AspFunction function, std::vector<std::uint8_t> block, Completion completion);
    void opened(DdpAddress listeningSocket, std::uint8_t serverSocket, std::uint8_t session);
    void heard();
    void ended();

    Node& node_;
    AspClientEvents events_;
    AspClientOptions options_;
    AtpRequester requester_;
    AtpResponder responder_; // the workstation session socket
    DdpAddress server_{}; // the server session socket
    std::uint8_t session_ = asp::kNoSession;
    std::uint16_t sequence_ = 0;
    AtpRequester::Handle tickle_ = 0;
    TimerId timeout_ = 0;
    std::map<std::uint16_t, std::vector<std::uint8_t>> writeData_; // by sequence number
};

} // namespace appletalk
