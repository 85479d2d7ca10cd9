// SPDX-License-Identifier: MIT
// AFP over DSI on TCP, from the workstation's side, blocking on the caller's thread: the
// status on a connection of its own (the server closes it after), then one session opened
// with the attention quantum. While a reply is awaited the server's tickles and attentions
// are taken care of and our own tickles go out, so a long call keeps the session alive; a
// server that stays silent for the reply limit is given up as gone.
#pragma once

#include "appletalk/afp/client/AfpTransport.h"
#include "appletalk/protocols/dsi/DsiHeader.h"

#include <chrono>
#include <mutex>

namespace appletalk::afp {

class DsiClientTransport final : public AfpTransport {
public:
    static constexpr std::uint16_t kDefaultPort = dsi::kDefaultPort;

    struct Options {
        std::chrono::milliseconds replyLimit{std::chrono::seconds(30)}; // silence before giving up
        std::chrono::milliseconds tickleInterval{std::chrono::seconds(30)};
    };

    DsiClientTransport(std::string host, std::uint16_t port, Options options);
    DsiClientTransport(std::string host, std::uint16_t port) : DsiClientTransport(std::move(host), port, Options{}) {}
    ~DsiClientTransport() override;
    DsiClientTransport(const DsiClientTransport&) = delete;
    DsiClientTransport& operator=(const DsiClientTransport&) = delete;

    std::optional<std::vector<std::uint8_t>> status(std::string& problem) override;
    bool open(std::string& problem) override;
    AfpCallResult call(std::span<const std::uint8_t> command) override;
    AfpCallResult write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) override;
    std::size_t transferLimit() const override { return requestQuantum_; }
    bool keepAlive(std::string& problem) override;
    void setAttentionHandler(AttentionHandler handler) override;
    void close() override;

private:
    using Clock = std::chrono::steady_clock;
    struct Message {
        dsi::DsiHeader header;
        std::vector<std::uint8_t> payload;
    };

    int connect(std::string& problem) const;
    // Sends the request on `fd` and waits for its reply, answering what else comes.
    std::optional<Message> exchange(int fd, dsi::DsiCommand command, std::span<const std::uint8_t> payload,
                                    std::uint32_t dataOffset, std::string& problem);
    bool sendFrame(int fd, const dsi::DsiHeader& header, std::span<const std::uint8_t> payload);
    // One message from the server; false with the reason when none came in time.
    std::optional<Message> receive(int fd, std::string& problem);
    bool readExactly(int fd, std::span<std::uint8_t> into, std::string& problem);
    void answerServer(int fd, const Message& message);
    // Whether a whole message waits on the session's socket; `closed` when the server hung up.
    bool messageWaiting(bool& closed) const;

    std::string host_;
    std::uint16_t port_;
    Options options_;
    int fd_ = -1;
    bool closedByServer_ = false;
    std::uint16_t nextRequestId_ = 0;
    std::uint32_t requestQuantum_ = dsi::kDefaultRequestQuantum;
    Clock::time_point lastSent_{};
    std::mutex handlerMutex_;
    AttentionHandler attention_;
};

} // namespace appletalk::afp
