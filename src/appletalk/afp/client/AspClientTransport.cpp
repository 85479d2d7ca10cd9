// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/AspClientTransport.h"

#include "appletalk/afp/client/AfpClientText.h"
#include "appletalk/runtime/Stack.h"

#include <future>

namespace appletalk::afp {

AspClientTransport::AspClientTransport(std::shared_ptr<runtime::Stack> stack, DdpAddress listener,
                                       std::chrono::milliseconds limit)
    : stack_(std::move(stack)), listener_(listener), limit_(limit) {
    if (!stack_ || !stack_->isOnline()) return;
    AspClientEvents events;
    events.attention = [this](std::uint16_t code) {
        std::lock_guard lock(handlerMutex_);
        if (attention_) attention_(code);
    };
    // By the server, by close(), or because its tickles stopped for the session timeout.
    events.closed = [this] { sessionOpen_ = false; };
    stack_->run([&] { client_ = std::make_unique<AspClient>(*stack_->node(), events); });
}

AspClientTransport::~AspClientTransport() {
    if (client_) stack_->run([&] { client_.reset(); });
}

template <typename Start>
AspCallResult AspClientTransport::await(Start start) {
    if (!client_) return {AspClientStatus::NotOpen, 0, {}};
    auto promise = std::make_shared<std::promise<AspCallResult>>();
    auto future = promise->get_future();
    const bool started =
        stack_->run([&] { return start([promise](const AspCallResult& result) { promise->set_value(result); }); });
    if (!started) return {AspClientStatus::NotOpen, 0, {}};
    if (future.wait_for(limit_) != std::future_status::ready) return {AspClientStatus::NoResponse, 0, {}};
    return future.get();
}

std::string AspClientTransport::describe(const AspCallResult& result) {
    switch (result.status) {
    case AspClientStatus::Ok: return {};
    case AspClientStatus::Refused: return describeSessionRefusal(result.result);
    case AspClientStatus::NoResponse: return "the server stopped answering";
    case AspClientStatus::BadReply: return "the server sent a malformed ASP reply";
    case AspClientStatus::NotOpen: break;
    }
    return "the session with the server is closed";
}

std::optional<std::vector<std::uint8_t>> AspClientTransport::status(std::string& problem) {
    const AspCallResult result = await([&](auto done) { return client_->getStatus(listener_, done); });
    if (result.status == AspClientStatus::Ok) return result.reply;
    problem = describe(result);
    return std::nullopt;
}

bool AspClientTransport::open(std::string& problem) {
    const AspCallResult result = await([&](auto done) { return client_->open(listener_, done); });
    problem = describe(result);
    // Read on the stack's thread, so a close that came at once is not overwritten.
    if (result.status == AspClientStatus::Ok) sessionOpen_ = stack_->run([&] { return client_->isOpen(); });
    return result.status == AspClientStatus::Ok;
}

AfpCallResult AspClientTransport::call(std::span<const std::uint8_t> command) {
    const AspCallResult result = await(
        [&](auto done) { return client_->command(std::vector<std::uint8_t>(command.begin(), command.end()), done); });
    if (result.status != AspClientStatus::Ok) return {false, 0, {}, describe(result)};
    return {true, result.result, result.reply, {}};
}

AfpCallResult AspClientTransport::write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) {
    const AspCallResult result = await([&](auto done) {
        return client_->write(std::vector<std::uint8_t>(command.begin(), command.end()),
                              std::vector<std::uint8_t>(data.begin(), data.end()), done);
    });
    if (result.status != AspClientStatus::Ok) return {false, 0, {}, describe(result)};
    return {true, result.result, result.reply, {}};
}

bool AspClientTransport::keepAlive(std::string& problem) {
    if (sessionOpen_) return true;
    problem = "the session with the server is closed";
    return false;
}

void AspClientTransport::setAttentionHandler(AttentionHandler handler) {
    std::lock_guard lock(handlerMutex_);
    attention_ = std::move(handler);
}

void AspClientTransport::close() {
    if (client_) stack_->run([&] { client_->close(); });
}

} // namespace appletalk::afp
