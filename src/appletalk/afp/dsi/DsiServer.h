// SPDX-License-Identifier: MIT
// The server end of DSI: AFP sessions over TCP, shaped like the ASP server so the AFP server
// plugs into both the same way. One more pollable on the stack's thread; its descriptor is an
// epoll set of the listening socket and every connection. A connection opens a session
// (OpenSession), or asks for the status block alone and is closed once it has it; a session
// carries Command and Write requests, each answered under its own request id, and the
// server's Attention, Tickle and CloseSession, numbered from the server's own counter.
// A session silent for the session timeout is dropped without a word. What comes from the
// network is bounded: sessions and connections waiting to open one, the size of a request
// (the request quantum and a command's worth more), and the output a connection may leave
// unread before the server stops reading it.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Pollable.h"
#include "appletalk/protocols/dsi/DsiHeader.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

class DsiConnection;

struct DsiCommandReply {
    std::int32_t result = 0;
    std::vector<std::uint8_t> reply;
};

struct DsiServerHandlers {
    std::function<std::vector<std::uint8_t>()> status; // GetStatus block
    std::function<bool(std::uint32_t session, const std::string& peer)> opened; // false: refuse (too many)
    std::function<DsiCommandReply(std::uint32_t session, std::span<const std::uint8_t> command)> command;
    std::function<DsiCommandReply(std::uint32_t session, std::span<const std::uint8_t> command,
                                  std::span<const std::uint8_t> data)>
        write;
    std::function<void(std::uint32_t session)> closed; // either end, or timed out
};

struct DsiServerOptions {
    std::size_t maxSessions = 32;
    std::uint32_t requestQuantum = dsi::kDefaultRequestQuantum;
    Duration tickleInterval = std::chrono::seconds(30);
    Duration sessionTimeout = std::chrono::seconds(120);
    // Connections that have not opened a session (status queries, clients still opening).
    std::size_t maxPendingConnections = 8;
    // Unsent output beyond which a connection is not read until its client takes some.
    std::size_t maxOutputBacklog = 2 * dsi::kDefaultRequestQuantum;
    // How long a closing connection may take to accept its last messages.
    Duration closeLinger = std::chrono::seconds(10);
    // Peers, sessions opened and closed and why; never data.
    std::function<void(const std::string& line)> log;
};

class DsiServer final : public Pollable {
public:
    DsiServer(int listenFd /* owned; a bound, listening TCP socket */, DsiServerHandlers handlers,
              DsiServerOptions options, Clock& clock);
    ~DsiServer() override; // every connection closed, without telling the handlers
    DsiServer(const DsiServer&) = delete;
    DsiServer& operator=(const DsiServer&) = delete;

    // Every call below is made on the stack's thread, as poll() is.
    bool isListening() const { return epollFd_ >= 0; }
    std::size_t sessionCount() const;
    // Sends an attention code (not 0) to the session's client. False without the session.
    bool attention(std::uint32_t session, std::uint16_t code);
    void close(std::uint32_t session); // DSI CloseSession to the client, then gone
    void closeAll(); // the same for every session

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override;
    int waitHandle() const override { return epollFd_; }
    void setWakeHandler(std::function<void()> /*wake*/) override {}

private:
    struct Client;
    enum class Ending { Drop, AfterOutput, WithCloseSession };

    void serveEvent(int fd, std::uint32_t happened);
    void acceptAll();
    void admit(int fd, const std::string& peer);
    void readFrom(Client& client);
    bool serveBuffered();
    void dispatch(Client& client, const dsi::DsiHeader& header, std::span<const std::uint8_t> body);
    void openSession(Client& client, const dsi::DsiHeader& header, std::span<const std::uint8_t> body);
    void refuse(Client& client, const dsi::DsiHeader& header, const std::string& why);
    void answer(Client& client, const dsi::DsiHeader& header, std::span<const std::uint8_t> body);
    void sendRequest(Client& client, dsi::DsiCommand command, std::vector<std::uint8_t> payload = {});
    void end(Client& client, Ending how, const std::string& why);
    void flushAndWatch(Client& client);
    bool runTimers(SteadyTime now);
    bool wantsInput(const Client& client) const;
    Client* findSession(std::uint32_t session);
    bool watchListener(bool watch);
    void leave();
    void log(const std::string& line) const;

    int listenFd_;
    int epollFd_ = -1;
    DsiServerHandlers handlers_;
    DsiServerOptions options_;
    Clock& clock_;
    std::map<int, std::unique_ptr<Client>> clients_; // by descriptor
    std::uint32_t lastSession_ = 0;
    Client* dispatching_ = nullptr; // the client whose request a handler is answering
    int depth_ = 0; // calls under way: clients are destroyed when it is 0
    bool listenerResting_ = false;
};

// Opens a listening TCP socket on ADDRESS:PORT (nothing and the reason when it fails).
int openDsiListener(const std::string& address, std::uint16_t port, std::string& problem);

} // namespace appletalk::afp
