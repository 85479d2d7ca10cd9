// SPDX-License-Identifier: MIT
#include "appletalk/nodeservice/NodeServiceSession.h"

#include "appletalk/node/Node.h"
#include "appletalk/nodeservice/NodeService.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"

#include <thread>

namespace appletalk::nodeservice {

namespace {

using namespace std::chrono_literals;

runtime::StackOptions serviceOptions() {
    runtime::StackOptions options;
    options.useNodeService = false; // the service is the node; it never rides on another
    options.firstStartWait = 20s;
    return options;
}

} // namespace

NodeServiceSession::NodeServiceSession(runtime::StackSettings settings)
    : stack_(std::make_shared<runtime::Stack>(std::move(settings), serviceOptions())) {}

NodeServiceSession::~NodeServiceSession() {
    if (!service_) return;
    stack_->unwatch(*service_);
    stack_->run([&] { service_.reset(); });
}

bool NodeServiceSession::isOnline() const { return stack_->isOnline(); }

std::string NodeServiceSession::problem() const { return stack_->problem(); }

bool NodeServiceSession::awaitStart(std::chrono::milliseconds limit) {
    if (!stack_->isOnline()) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto [started, failure] = stack_->run([&] {
            return std::pair{stack_->network().nodeInfo().has_value(), stack_->network().startFailure()};
        });
        if (started) return true;
        if (failure == runtime::kErrNoAddress) {
            startProblem_ = Node::noFreeAddressMessage(stack_->settings().networkName());
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            startProblem_ = "the AppleTalk node did not start on " + stack_->settings().networkName();
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
}

std::string NodeServiceSession::startProblem() const { return startProblem_; }

std::string NodeServiceSession::whereabouts() {
    return stack_->run([&]() -> std::string {
        const auto info = stack_->network().nodeInfo();
        if (!info) return "no address yet";
        std::string text = std::to_string(info->network) + "." + std::to_string(info->node);
        if (!info->zone.empty()) text += " in " + info->zone;
        return text;
    });
}

void NodeServiceSession::serve(int listenFd, NodeServiceLimits limits, Log log) {
    stack_->run([&] {
        service_ = std::make_unique<NodeService>(*stack_->node(), stack_->network(), stack_->settings().networkKey(),
                                                 listenFd, limits, std::move(log));
    });
    stack_->watch(*service_);
}

std::size_t NodeServiceSession::programs() {
    if (!service_) return 0;
    return stack_->run([&] { return service_->programs(); });
}

} // namespace appletalk::nodeservice
