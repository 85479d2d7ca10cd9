// SPDX-License-Identifier: MIT
// AFP over ASP on AppleTalk, from the workstation's side: the tree's ASP workstation on a
// stack's node. Its calls run on the stack's thread; the caller waits for each, at most the
// limit, so a server that has gone quiet is an error rather than a hang.
#pragma once

#include "appletalk/afp/client/AfpTransport.h"
#include "appletalk/services/asp/AspClient.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace appletalk::runtime {
class Stack;
}

namespace appletalk::afp {

class AspClientTransport final : public AfpTransport {
public:
    static constexpr std::size_t kTransferLimit = 8 * 578;

    // `listener` is the server's session listening socket, as NBP found it.
    AspClientTransport(std::shared_ptr<runtime::Stack> stack, DdpAddress listener,
                       std::chrono::milliseconds limit = std::chrono::minutes(2));
    ~AspClientTransport() override;
    AspClientTransport(const AspClientTransport&) = delete;
    AspClientTransport& operator=(const AspClientTransport&) = delete;

    std::optional<std::vector<std::uint8_t>> status(std::string& problem) override;
    bool open(std::string& problem) override;
    AfpCallResult call(std::span<const std::uint8_t> command) override;
    AfpCallResult write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) override;
    // Eight ATP packets: the most one ASP reply carries and the most a write may.
    std::size_t transferLimit() const override { return kTransferLimit; }
    // The AspClient tickles and listens on the stack's thread; this only reports its state.
    bool keepAlive(std::string& problem) override;
    void setAttentionHandler(AttentionHandler handler) override;
    void close() override;

private:
    // Starts a call on the stack's thread and waits for its completion.
    template <typename Start>
    AspCallResult await(Start start);
    static std::string describe(const AspCallResult& result);

    std::shared_ptr<runtime::Stack> stack_;
    DdpAddress listener_;
    std::chrono::milliseconds limit_;
    std::unique_ptr<AspClient> client_; // made, used and destroyed on the stack's thread
    std::atomic<bool> sessionOpen_{false}; // cleared by the client's `closed`, on the stack's thread
    std::mutex handlerMutex_;
    AttentionHandler attention_;
};

} // namespace appletalk::afp
