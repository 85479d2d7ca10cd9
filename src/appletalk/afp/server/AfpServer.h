// SPDX-License-Identifier: MIT
// The AFP 2.x file server: the shared volumes, opened once at start, the status block the
// Chooser shows, and the sessions. It speaks no transport itself: ASP and DSI servers hand
// each session's commands to AfpSession and send back its answers.
#pragma once

#include "appletalk/afp/server/AfpServerConfig.h"
#include "appletalk/afp/server/AfpSession.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appletalk::afp {

class AfpServerState;

class AfpServer {
public:
    // Opens every volume; nothing, and a problem naming the volume and its folder, when one
    // cannot be opened or the configuration cannot be served.
    static std::unique_ptr<AfpServer> create(AfpServerConfig config, std::string& problem);
    ~AfpServer();
    AfpServer(const AfpServer&) = delete;
    AfpServer& operator=(const AfpServer&) = delete;

    // One line per event; names from the network arrive escaped, passwords never.
    using Log = std::function<void(const std::string& line)>;
    void setLog(Log log);

    std::vector<std::uint8_t> statusBlock() const; // GetStatus and GetSrvrInfo
    // Null when the server holds its limit of sessions.
    std::unique_ptr<AfpSession> openSession(AfpSessionOptions options);
    std::size_t sessionCount() const;

private:
    explicit AfpServer(std::shared_ptr<AfpServerState> state);

    // Shared with the sessions, so a session outliving the server stays safe.
    std::shared_ptr<AfpServerState> state_;
};

} // namespace appletalk::afp
