// SPDX-License-Identifier: MIT
// What an AFP client session needs of the session layer under it, DSI on TCP or ASP on
// AppleTalk: the server's status block, a session, commands and writes answered with the AFP
// result and reply, the server's attentions, and the end. Every wait is bounded; a transport
// failure is a sentence, never an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

struct AfpCallResult {
    bool delivered = false; // false: no reply came; `problem` says why
    std::int32_t result = 0; // the AFP result
    std::vector<std::uint8_t> reply;
    std::string problem;
};

class AfpTransport {
public:
    using AttentionHandler = std::function<void(std::uint16_t code)>;

    virtual ~AfpTransport() = default;

    // The server information block (GetStatus); nothing, with the reason, when none came.
    virtual std::optional<std::vector<std::uint8_t>> status(std::string& problem) = 0;
    // Opens the session the commands go on; false with the reason.
    virtual bool open(std::string& problem) = 0;
    virtual AfpCallResult call(std::span<const std::uint8_t> command) = 0;
    virtual AfpCallResult write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) = 0;
    // The most one Read reply or one Write request's data may carry on this session: the
    // server's request quantum on DSI, eight ATP packets on ASP.
    virtual std::size_t transferLimit() const = 0;
    // Between calls (a mount that sits idle): takes in what the server sent (tickles,
    // attentions) and sends a tickle when one is due, without blocking; false, with the
    // reason, once the session is gone.
    virtual bool keepAlive(std::string& problem) = 0;
    // Called, on a thread of the transport's, for each attention the server sends.
    virtual void setAttentionHandler(AttentionHandler handler) = 0;
    // Ends the session; calls after it fail.
    virtual void close() = 0;
};

} // namespace appletalk::afp
