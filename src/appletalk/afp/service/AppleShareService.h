// SPDX-License-Identifier: MIT
// AppleShare on one node: ASP sessions on AppleTalk and, given a listening TCP socket, DSI
// sessions, each carrying one AfpSession of the AFP server, and the server's name
// SERVER:AFPServer registered with NBP once the node has started and a look-up found the name
// free. Runs on the stack's thread; the DSI server is one more pollable for that thread.
#pragma once

#include "appletalk/afp/dsi/DsiServer.h"
#include "appletalk/afp/server/AfpServer.h"
#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/services/asp/AspServer.h"
#include "appletalk/services/nbp/NbpRegistry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace appletalk::afp {

enum class ShareNameState {
    Waiting, // the node has not started
    Checking, // looking up the name on the network
    Registered,
    NameInUse, // another server answers to it
    Refused, // NBP would not take it (the reason is logged)
};

struct AppleShareServiceOptions {
    AspServerOptions asp;
    DsiServerOptions dsi;
};

class AppleShareService {
public:
    using Log = std::function<void(const std::string& line)>;

    static constexpr const char* kNbpType = "AFPServer";
    // The reply limit of an AFP session on ASP: eight ATP packets of 578 bytes.
    static constexpr std::size_t kAspMaxReply = 8 * 578;

    // `serverName` is the NBP object, in Mac OS Roman; `dsiListenFd` (owned) is -1 for none;
    // `clock` times the DSI sessions.
    AppleShareService(Node& node, runtime::NetworkOperations& network, AfpServer& server, std::string serverName,
                      int dsiListenFd, Clock& clock, Log log, AppleShareServiceOptions options = {});
    ~AppleShareService();
    AppleShareService(const AppleShareService&) = delete;
    AppleShareService& operator=(const AppleShareService&) = delete;

    // False when the ASP listening socket could not be opened.
    bool isOpen() const { return asp_.isOpen(); }
    // The DSI server for the stack's thread to poll; null without DSI.
    Pollable* dsi() { return dsi_.get(); }
    ShareNameState nameState() const { return nameState_; }
    // The registered name as the user sees it, with the node's zone once known.
    nbp::NbpName shownName() const;
    // Transport sessions, logged in or not.
    std::size_t sessionCount() const { return asp_.sessionCount() + (dsi_ ? dsi_->sessionCount() : 0); }

    // Tells every client the server is going down now (AFP's shutdown attention), closes
    // every session and unregisters the name. Nothing new is accepted afterwards.
    void shutdown();
    // After shutdown(): true once the DSI server has seen its goodbyes out.
    bool isQuiet() const { return !dsi_ || dsi_->sessionCount() == 0; }

private:
    void networkStarted(bool ok);
    void checkName();
    void nameChecked(bool inUse);
    AspServerHandlers aspHandlers();
    DsiServerHandlers dsiHandlers();
    AfpAnswer aspCommand(std::uint8_t id, std::span<const std::uint8_t> command);
    AfpAnswer aspWrite(std::uint8_t id, std::span<const std::uint8_t> command, std::span<const std::uint8_t> data);
    AfpAnswer dsiCommand(std::uint32_t id, std::span<const std::uint8_t> command, std::span<const std::uint8_t> data,
                         bool isWrite);
    // ASP has no open event: a session's AfpSession starts with its first request.
    AfpSession* aspSession(std::uint8_t id);
    // A session that logged out is ended after its reply has gone, from a timer.
    void closeLater();
    void closePending();

    Node& node_;
    runtime::NetworkOperations& network_;
    AfpServer& server_;
    nbp::NbpName name_;
    Log log_;
    NbpRegistry registry_;
    AspServer asp_;
    std::unique_ptr<DsiServer> dsi_;
    std::size_t dsiQuantum_ = 0; // the largest reply a DSI session takes
    std::map<std::uint8_t, std::unique_ptr<AfpSession>> aspSessions_;
    std::map<std::uint32_t, std::unique_ptr<AfpSession>> dsiSessions_;
    ShareNameState nameState_ = ShareNameState::Waiting;
    std::string zone_;
    runtime::OperationId lookup_ = 0;
    bool stopping_ = false;
    std::vector<std::uint8_t> aspToClose_;
    std::vector<std::uint32_t> dsiToClose_;
    TimerId closer_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // for the network's start callback
};

} // namespace appletalk::afp
