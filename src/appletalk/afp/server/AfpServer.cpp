// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpServer.h"

#include "appletalk/afp/server/AfpLogText.h"
#include "appletalk/afp/server/AfpServerState.h"

namespace appletalk::afp {

AfpServer::AfpServer(std::shared_ptr<AfpServerState> state) : state_(std::move(state)) {}

AfpServer::~AfpServer() = default;

std::unique_ptr<AfpServer> AfpServer::create(AfpServerConfig config, std::string& problem) {
    auto state = AfpServerState::create(std::move(config), problem);
    if (!state) return nullptr;
    return std::unique_ptr<AfpServer>(new AfpServer(std::move(state)));
}

void AfpServer::setLog(Log log) { state_->setLog(std::move(log)); }

std::vector<std::uint8_t> AfpServer::statusBlock() const { return state_->statusBlock(); }

std::unique_ptr<AfpSession> AfpServer::openSession(AfpSessionOptions options) {
    if (!state_->admitSession()) {
        state_->log("session refused from " + loggable(options.peer) + ": the server holds its limit of sessions");
        return nullptr;
    }
    return std::make_unique<AfpSession>(state_, std::move(options));
}

std::size_t AfpServer::sessionCount() const { return state_->sessionCount(); }

} // namespace appletalk::afp
