// SPDX-License-Identifier: MIT
// AppleShare on a stack of its own, for the `vidur share` command: the node on the network
// the settings choose (taking a server's node id), the AppleShare service on it once started,
// and the command's calls carried to the stack's thread.
#pragma once

#include "appletalk/afp/service/AppleShareService.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/runtime/StackSettings.h"

#include <chrono>
#include <memory>
#include <string>

namespace appletalk::runtime {
class Stack;
}

namespace appletalk::afp {

class ShareSession {
public:
    explicit ShareSession(runtime::StackSettings settings);
    ~ShareSession(); // shuts the service down as stop() does
    ShareSession(const ShareSession&) = delete;
    ShareSession& operator=(const ShareSession&) = delete;

    // False when the network could not be opened; problem() says why.
    bool isOnline() const;
    std::string problem() const;
    // The host's node service this server's node was went away: its name went with it.
    bool lostNetwork() const;
    // Waits, at most `limit`, until the node has its address and zone.
    bool awaitStart(std::chrono::milliseconds limit);
    // The node's address and zone, for the user: "NET.NODE in ZONE" (the zone in Mac OS Roman).
    std::string whereabouts();

    // Serves `server` (kept by the caller until this is gone; used on the stack's thread from
    // now on) under `serverName` (Mac OS Roman), with DSI on `dsiListenFd` (owned; -1: none).
    // False, with the reason, when ASP could not open its socket.
    bool serve(AfpServer& server, std::string serverName, int dsiListenFd, AppleShareService::Log log,
               std::string& problem);
    // Waits, at most `limit`, until the name is registered or found taken.
    ShareNameState awaitName(std::chrono::milliseconds limit);
    // "SERVER:AFPServer@ZONE" in Mac OS Roman.
    std::string shownName();
    std::size_t sessionCount();
    // Every client told and closed, the name unregistered; waits at most `limit` for the
    // goodbyes to go out. True when they did.
    bool stop(std::chrono::milliseconds limit);

private:
    std::shared_ptr<runtime::Stack> stack_;
    SystemClock clock_; // the DSI sessions'
    std::unique_ptr<AppleShareService> service_; // on the stack's thread only
    bool watching_ = false;
};

} // namespace appletalk::afp
