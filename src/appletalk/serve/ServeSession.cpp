// SPDX-License-Identifier: MIT
#include "appletalk/serve/ServeSession.h"

#include "appletalk/runtime/Stack.h"

#include <thread>

namespace appletalk::serve {

namespace {

using namespace std::chrono_literals;

runtime::StackOptions serverOptions() {
    runtime::StackOptions options;
    options.server = true;
    options.firstStartWait = 20s;
    return options;
}

} // namespace

ServeSession::ServeSession(runtime::StackSettings settings, ServeLimits limits, ServeLog& log)
    : stack_(std::make_shared<runtime::Stack>(std::move(settings), serverOptions())) {
    if (!stack_->isOnline()) return;
    stack_->run([&] { server_ = std::make_unique<PrintServer>(*stack_->node(), stack_->network(), limits, log); });
}

ServeSession::~ServeSession() {
    if (server_) {
        stop(10s);
        stack_->run([&] { server_.reset(); });
    }
}

bool ServeSession::isOnline() const { return server_ != nullptr; }

bool ServeSession::lostNetwork() const { return stack_->lostNodeService(); }

std::string ServeSession::problem() const { return stack_->problem(); }

bool ServeSession::awaitStart(std::chrono::milliseconds limit) {
    if (!server_) return false;
    stack_->awaitFirstStart();
    // The print server hears of the start on the stack's thread, after the waiters.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stack_->run([&] { return server_->hasStarted(); })) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string ServeSession::whereabouts() {
    return stack_->run([&]() -> std::string {
        const auto info = stack_->network().nodeInfo();
        if (!info) return "no address yet";
        std::string text = std::to_string(info->network) + "." + std::to_string(info->node);
        if (!info->zone.empty()) text += " in " + info->zone;
        return text;
    });
}

void ServeSession::publish(PublishedPrinter printer) {
    if (server_) stack_->run([&] { server_->publish(std::move(printer)); });
}

void ServeSession::withdraw(const std::string& queue) {
    if (server_) stack_->run([&] { server_->withdraw(queue); });
}

void ServeSession::setState(const std::string& queue, const QueueState& state) {
    if (server_) stack_->run([&] { server_->setState(queue, state); });
}

std::vector<PrinterView> ServeSession::printers() {
    if (!server_) return {};
    return stack_->run([&] { return server_->printers(); });
}

bool ServeSession::stop(std::chrono::milliseconds limit) {
    if (!server_) return true;
    if (!stopped_) stack_->run([&] { server_->stop(); });
    stopped_ = true;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stack_->run([&] { return server_->isStopped(); })) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void ServeSession::post(std::function<void()> task) { stack_->post(std::move(task)); }

} // namespace appletalk::serve
