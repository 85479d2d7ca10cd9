// SPDX-License-Identifier: MIT
#include "appletalk/afp/dsi/DsiServer.h"

#include "appletalk/afp/dsi/DsiConnection.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk::afp {

namespace {

using dsi::DsiCommand;
using dsi::DsiHeader;

// A Write carries its AFP command in front of up to a quantum of data (FPWrite's command is
// 12 bytes, FPWriteExt's 20): a request may be this much over the quantum.
constexpr std::size_t kCommandAllowance = 64;
// Messages taken from one connection per poll, so one busy client cannot starve the others.
constexpr int kMessagesPerPoll = 64;
constexpr int kListenBacklog = 64;

std::string peerName(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(ntohs(v4.sin_port));
    }
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(ntohs(v6.sin6_port));
    }
    return text;
}

std::string inputProblem(DsiConnection::Input input, const DsiHeader& header) {
    switch (input) {
    case DsiConnection::Input::Garbage: return "sent what is not a DSI message";
    case DsiConnection::Input::Oversize:
        return "sent a request of " + std::to_string(header.totalLength) + " bytes, over the quantum";
    default: return "hung up";
    }
}

std::string seconds(Duration duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) + " s";
}

} // namespace

struct DsiServer::Client {
    Client(int fd, std::string peer, std::size_t maxBody, SteadyTime now)
        : link(fd, std::move(peer), maxBody), lastHeard(now) {}

    DsiConnection link;
    std::uint32_t session = 0; // 0 until OpenSession
    std::uint16_t nextRequestId = 0;
    SteadyTime lastHeard;
    SteadyTime nextTickle{};
    SteadyTime endBy{};
    bool ending = false; // sending its last messages, reading nothing
    bool dead = false; // destroyed once no call is under way
    bool closeRequested = false; // closed by a handler while answering this client
    std::uint32_t watched = 0; // the epoll events asked for

    bool hasLiveSession() const { return session != 0 && !ending && !dead && !closeRequested; }
};

DsiServer::DsiServer(int listenFd, DsiServerHandlers handlers, DsiServerOptions options, Clock& clock)
    : listenFd_(listenFd), handlers_(std::move(handlers)), options_(std::move(options)), clock_(clock) {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epollFd_ < 0 || !watchListener(true)) {
        log(std::string("DSI: cannot watch the listening socket: ") + std::strerror(errno));
        if (epollFd_ >= 0) ::close(epollFd_);
        epollFd_ = -1;
    }
}

DsiServer::~DsiServer() {
    clients_.clear();
    if (epollFd_ >= 0) ::close(epollFd_);
    ::close(listenFd_);
}

bool DsiServer::watchListener(bool watch) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = listenFd_;
    return ::epoll_ctl(epollFd_, watch ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, listenFd_, &event) == 0;
}

std::size_t DsiServer::sessionCount() const {
    return static_cast<std::size_t>(std::count_if(clients_.begin(), clients_.end(),
                                                  [](const auto& entry) { return entry.second->hasLiveSession(); }));
}

DsiServer::Client* DsiServer::findSession(std::uint32_t session) {
    for (auto& [fd, client] : clients_)
        if (client->session == session && client->hasLiveSession()) return client.get();
    return nullptr;
}

bool DsiServer::attention(std::uint32_t session, std::uint16_t code) {
    Client* client = findSession(session);
    if (code == 0 || client == nullptr) return false;
    ++depth_;
    sendRequest(*client, DsiCommand::Attention,
                {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xff)});
    flushAndWatch(*client);
    leave();
    return true;
}

void DsiServer::close(std::uint32_t session) {
    Client* client = findSession(session);
    if (client == nullptr) return;
    // The reply to the request being answered goes out first.
    if (client == dispatching_) {
        client->closeRequested = true;
        return;
    }
    ++depth_;
    end(*client, Ending::WithCloseSession, "closed by the server");
    leave();
}

void DsiServer::closeAll() {
    std::vector<std::uint32_t> sessions;
    for (const auto& [fd, client] : clients_)
        if (client->hasLiveSession()) sessions.push_back(client->session);
    for (const std::uint32_t session : sessions) close(session);
}

bool DsiServer::poll() {
    if (epollFd_ < 0) return false;
    ++depth_;
    epoll_event events[64];
    const int ready = ::epoll_wait(epollFd_, events, 64, 0);
    for (int i = 0; i < ready; ++i) serveEvent(events[i].data.fd, events[i].events);
    bool worked = ready > 0;
    worked = serveBuffered() || worked;
    worked = runTimers(clock_.now()) || worked;
    leave();
    return worked;
}

void DsiServer::serveEvent(int fd, std::uint32_t happened) {
    if (fd == listenFd_) return acceptAll();
    const auto found = clients_.find(fd);
    if (found == clients_.end() || found->second->dead) return;
    Client& client = *found->second;
    if (happened & EPOLLOUT) flushAndWatch(client);
    if (!(happened & (EPOLLIN | EPOLLHUP | EPOLLERR))) return;
    if (wantsInput(client))
        readFrom(client);
    else if (happened & (EPOLLHUP | EPOLLERR))
        end(client, Ending::Drop, "hung up");
}

// Whole messages already read that no descriptor will signal again: those left by the
// per-poll share, and those held while the client's output was backed up.
bool DsiServer::serveBuffered() {
    bool worked = false;
    for (auto& [fd, client] : clients_) {
        if (!wantsInput(*client) || !client->link.hasMessage()) continue;
        readFrom(*client);
        worked = true;
    }
    return worked;
}

std::optional<SteadyTime> DsiServer::nextDeadline() const {
    std::optional<SteadyTime> next;
    const auto consider = [&next](SteadyTime time) { next = next ? std::min(*next, time) : time; };
    for (const auto& [fd, client] : clients_) {
        if (client->dead) continue;
        if (wantsInput(*client) && client->link.hasMessage()) return clock_.now();
        if (client->ending) {
            consider(client->endBy);
            continue;
        }
        consider(client->lastHeard + options_.sessionTimeout);
        if (client->session != 0) consider(client->nextTickle);
    }
    return next;
}

void DsiServer::acceptAll() {
    for (;;) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        const int fd =
            ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            admit(fd, peerName(address));
            continue;
        }
        // Out of descriptors, the pending connection would wake every poll: the listener
        // rests until a connection closes.
        if ((errno == EMFILE || errno == ENFILE) && watchListener(false)) {
            listenerResting_ = true;
            log(std::string("DSI: not accepting for now: ") + std::strerror(errno));
        }
        return;
    }
}

void DsiServer::admit(int fd, const std::string& peer) {
    if (clients_.size() >= options_.maxSessions + options_.maxPendingConnections) {
        ::close(fd);
        return log("DSI: " + peer + " refused: too many connections");
    }
    // Replies often leave in two pieces when the socket is full; they must not wait for an ACK.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto client = std::make_unique<Client>(fd, peer, options_.requestQuantum + kCommandAllowance, clock_.now());
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0)
        return log("DSI: " + peer + " refused: " + std::strerror(errno));
    client->watched = EPOLLIN;
    log("DSI: " + peer + " connected");
    clients_.emplace(fd, std::move(client));
}

void DsiServer::readFrom(Client& client) {
    for (int i = 0; i < kMessagesPerPoll && wantsInput(client); ++i) {
        DsiHeader header;
        std::span<const std::uint8_t> body;
        const auto input = client.link.next(header, body);
        if (input == DsiConnection::Input::WouldBlock) break;
        if (input != DsiConnection::Input::Message) return end(client, Ending::Drop, inputProblem(input, header));
        client.lastHeard = clock_.now();
        dispatching_ = &client;
        dispatch(client, header, body);
        dispatching_ = nullptr;
        if (client.closeRequested && !client.ending && !client.dead) {
            client.closeRequested = false;
            end(client, Ending::WithCloseSession, "closed by the server");
        }
    }
    flushAndWatch(client);
}

void DsiServer::dispatch(Client& client, const DsiHeader& header, std::span<const std::uint8_t> body) {
    if (header.reply) {
        // A client may acknowledge an attention; there is nothing to act on.
        if (header.command == DsiCommand::Attention) return;
        return end(client, Ending::Drop, "sent a reply to no request");
    }
    switch (header.command) {
    case DsiCommand::OpenSession: return openSession(client, header, body);
    case DsiCommand::GetStatus: {
        auto status = handlers_.status ? handlers_.status() : std::vector<std::uint8_t>{};
        const auto size = static_cast<std::uint32_t>(status.size()); // before the vector moves
        client.link.queue(DsiHeader::replyTo(header, 0, size), std::move(status));
        // DSI has the server close a connection that only asked for the status.
        if (client.session == 0) end(client, Ending::AfterOutput, "took the status");
        return;
    }
    case DsiCommand::Tickle: return;
    case DsiCommand::CloseSession: return end(client, Ending::Drop, "closed by the client");
    case DsiCommand::Command:
    case DsiCommand::Write:
        if (client.session == 0) return end(client, Ending::Drop, "sent a request before opening a session");
        return answer(client, header, body);
    case DsiCommand::Attention: break;
    }
    end(client, Ending::Drop, "sent a request only servers send");
}

void DsiServer::openSession(Client& client, const DsiHeader& header, std::span<const std::uint8_t> body) {
    if (client.session != 0) return end(client, Ending::Drop, "opened a session twice");
    // The client's attention quantum needs no keeping: an attention is the 2-byte code, and
    // the server sends nothing larger however small a quantum the client states.
    if (!dsi::DsiSessionOptions::parse(body))
        return end(client, Ending::Drop, "sent OpenSession options that cannot be read");
    if (sessionCount() >= options_.maxSessions)
        return refuse(client, header, std::to_string(options_.maxSessions) + " sessions open");
    if (++lastSession_ == 0) ++lastSession_;
    const std::uint32_t session = lastSession_;
    if (handlers_.opened && !handlers_.opened(session, client.link.peer()))
        return refuse(client, header, "the server takes no more sessions");
    client.session = session;
    client.nextTickle = clock_.now() + options_.tickleInterval;
    auto reply =
        dsi::DsiSessionOptions::with(dsi::DsiOptionType::ServerRequestQuantum, options_.requestQuantum).serialize();
    const auto size = static_cast<std::uint32_t>(reply.size());
    client.link.queue(DsiHeader::replyTo(header, 0, size), std::move(reply));
    log("DSI: " + client.link.peer() + " session " + std::to_string(session) + " opened");
}

void DsiServer::refuse(Client& client, const DsiHeader& header, const std::string& why) {
    client.link.queue(DsiHeader::replyTo(header, static_cast<std::int32_t>(asp::AspError::ServerBusy), 0));
    end(client, Ending::AfterOutput, "refused: " + why);
}

void DsiServer::answer(Client& client, const DsiHeader& header, std::span<const std::uint8_t> body) {
    DsiCommandReply reply{static_cast<std::int32_t>(AfpResult::CallNotSupported), {}};
    if (header.command == DsiCommand::Write) {
        const std::size_t offset = header.dataOffset(); // within the body: the header's parse checked
        if (handlers_.write) reply = handlers_.write(client.session, body.first(offset), body.subspan(offset));
    } else if (handlers_.command) {
        reply = handlers_.command(client.session, body);
    }
    const auto size = static_cast<std::uint32_t>(reply.reply.size());
    client.link.queue(DsiHeader::replyTo(header, reply.result, size), std::move(reply.reply));
}

void DsiServer::sendRequest(Client& client, DsiCommand command, std::vector<std::uint8_t> payload) {
    const auto size = static_cast<std::uint32_t>(payload.size());
    client.link.queue(DsiHeader::request(command, client.nextRequestId++, size), std::move(payload));
}

// Either end's goodbye. The client object lives on (dead or ending) until no call is under
// way, since this may run inside a handler's call or while its own request is answered.
void DsiServer::end(Client& client, Ending how, const std::string& why) {
    if (client.dead) return;
    if (client.ending) {
        client.dead = how == Ending::Drop;
        return;
    }
    const std::string who = client.session != 0 ? " session " + std::to_string(client.session) : "";
    log("DSI: " + client.link.peer() + who + " closed: " + why);
    if (how == Ending::WithCloseSession) sendRequest(client, DsiCommand::CloseSession);
    client.dead = how == Ending::Drop;
    client.ending = !client.dead;
    client.endBy = clock_.now() + options_.closeLinger;
    if (client.session != 0 && handlers_.closed) handlers_.closed(client.session);
    flushAndWatch(client);
}

void DsiServer::flushAndWatch(Client& client) {
    if (client.dead) return;
    if (!client.link.flush()) return end(client, Ending::Drop, "connection failed");
    if (client.ending && client.link.backlog() == 0) {
        client.dead = true;
        return;
    }
    const std::uint32_t events = (wantsInput(client) ? EPOLLIN : 0u) | (client.link.backlog() != 0 ? EPOLLOUT : 0u);
    if (events == client.watched) return;
    epoll_event event{};
    event.events = events;
    event.data.fd = client.link.fd();
    if (::epoll_ctl(epollFd_, EPOLL_CTL_MOD, client.link.fd(), &event) == 0) client.watched = events;
}

bool DsiServer::wantsInput(const Client& client) const {
    return !client.ending && !client.dead && client.link.backlog() <= options_.maxOutputBacklog;
}

bool DsiServer::runTimers(SteadyTime now) {
    bool worked = false;
    for (auto& [fd, entry] : clients_) {
        Client& client = *entry;
        if (client.dead) continue;
        if (client.ending) {
            if (now < client.endBy) continue;
            log("DSI: " + client.link.peer() + " did not take its last messages");
            client.dead = worked = true;
        } else if (now - client.lastHeard >= options_.sessionTimeout) {
            end(client, Ending::Drop, "silent for " + seconds(now - client.lastHeard));
            worked = true;
        } else if (client.session != 0 && now >= client.nextTickle) {
            sendRequest(client, DsiCommand::Tickle);
            client.nextTickle = now + options_.tickleInterval;
            flushAndWatch(client);
            worked = true;
        }
    }
    return worked;
}

// Destroys the finished connections once the outermost call returns.
void DsiServer::leave() {
    if (--depth_ != 0) return;
    bool freed = false;
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (it->second->dead) {
            it = clients_.erase(it);
            freed = true;
        } else {
            ++it;
        }
    }
    if (freed && listenerResting_ && watchListener(true)) listenerResting_ = false;
}

void DsiServer::log(const std::string& line) const {
    if (options_.log) options_.log(line);
}

int openDsiListener(const std::string& address, std::uint16_t port, std::string& problem) {
    std::string host = address.empty() ? "0.0.0.0" : address;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    if (::inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        length = sizeof v4;
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        length = sizeof v6;
    } else {
        problem = "not an IPv4 or IPv6 address: " + host;
        return -1;
    }
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(fd, kListenBacklog) != 0) {
        problem = "cannot listen on " + address + " port " + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace appletalk::afp
