// SPDX-License-Identifier: MIT
#include "appletalk/afp/service/ShareSession.h"

#include "appletalk/runtime/Stack.h"

#include <thread>

namespace appletalk::afp {

namespace {

using namespace std::chrono_literals;

runtime::StackOptions serverOptions() {
    runtime::StackOptions options;
    options.server = true;
    options.firstStartWait = 20s;
    return options;
}

// Waits for `done` (asked on the stack's thread) at most `limit`.
template <typename Done>
bool waitUntil(runtime::Stack& stack, std::chrono::milliseconds limit, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stack.run(done)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

} // namespace

ShareSession::ShareSession(runtime::StackSettings settings)
    : stack_(std::make_shared<runtime::Stack>(std::move(settings), serverOptions())) {}

ShareSession::~ShareSession() {
    if (!service_) return;
    stop(5s);
    if (watching_ && service_->dsi() != nullptr) stack_->unwatch(*service_->dsi());
    stack_->run([&] { service_.reset(); });
}

bool ShareSession::isOnline() const { return stack_->isOnline(); }

std::string ShareSession::problem() const { return stack_->problem(); }

bool ShareSession::lostNetwork() const { return stack_->lostNodeService(); }

bool ShareSession::awaitStart(std::chrono::milliseconds limit) {
    if (!stack_->isOnline()) return false;
    stack_->awaitFirstStart();
    return waitUntil(*stack_, limit, [&] { return stack_->network().nodeInfo().has_value(); });
}

std::string ShareSession::whereabouts() {
    return stack_->run([&]() -> std::string {
        const auto info = stack_->network().nodeInfo();
        if (!info) return "no address yet";
        std::string text = std::to_string(info->network) + "." + std::to_string(info->node);
        if (!info->zone.empty()) text += " in " + info->zone;
        return text;
    });
}

bool ShareSession::serve(AfpServer& server, std::string serverName, int dsiListenFd, AppleShareService::Log log,
                         std::string& problem) {
    if (!stack_->isOnline()) {
        problem = stack_->problem();
        return false;
    }
    const bool open = stack_->run([&] {
        service_ = std::make_unique<AppleShareService>(*stack_->node(), stack_->network(), server,
                                                       std::move(serverName), dsiListenFd, clock_, std::move(log));
        return service_->isOpen();
    });
    if (!open) {
        problem = "no socket is left on the node for ASP";
        return false;
    }
    if (service_->dsi() != nullptr) {
        stack_->watch(*service_->dsi());
        watching_ = true;
    }
    return true;
}

ShareNameState ShareSession::awaitName(std::chrono::milliseconds limit) {
    if (!service_) return ShareNameState::Refused;
    const auto settled = [&] {
        const ShareNameState state = service_->nameState();
        return state != ShareNameState::Waiting && state != ShareNameState::Checking;
    };
    waitUntil(*stack_, limit, settled);
    return stack_->run([&] { return service_->nameState(); });
}

std::string ShareSession::shownName() {
    if (!service_) return {};
    return stack_->run([&] {
        const nbp::NbpName name = service_->shownName();
        return name.object + ":" + name.type + "@" + name.zone;
    });
}

std::size_t ShareSession::sessionCount() {
    if (!service_) return 0;
    return stack_->run([&] { return service_->sessionCount(); });
}

bool ShareSession::stop(std::chrono::milliseconds limit) {
    if (!service_) return true;
    stack_->run([&] { service_->shutdown(); });
    return waitUntil(*stack_, limit, [&] { return service_->isQuiet(); });
}

} // namespace appletalk::afp
