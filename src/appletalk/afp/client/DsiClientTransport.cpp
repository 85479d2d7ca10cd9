// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/DsiClientTransport.h"

#include "appletalk/afp/client/AfpClientText.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk::afp {

using dsi::DsiCommand;
using dsi::DsiHeader;

namespace {

int millisecondsUntil(std::chrono::steady_clock::time_point when) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// A connect that gives up at `deadline` rather than at the kernel's minutes-long limit.
bool connectBounded(int fd, const addrinfo& address, std::chrono::steady_clock::time_point deadline) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = ::connect(fd, address.ai_addr, address.ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
        pollfd ready{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        result = ::poll(&ready, 1, millisecondsUntil(deadline)) == 1 &&
                         ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0
                     ? 0
                     : -1;
    }
    ::fcntl(fd, F_SETFL, flags);
    return result == 0;
}

// A reply longer than any the protocol sends is a broken server, not memory to give away.
constexpr std::uint32_t kLongestMessage = dsi::kDefaultRequestQuantum + 1024;

// The server's request quantum, from its OpenSession reply: the most one Write may carry and
// the most a Read is asked for. Held within what receive() takes in, and never zero so a
// transfer always moves.
std::uint32_t requestQuantumOf(std::span<const std::uint8_t> replyOptions) {
    const auto options = dsi::DsiSessionOptions::parse(replyOptions);
    const auto quantum = options ? options->word(dsi::DsiOptionType::ServerRequestQuantum) : std::nullopt;
    return std::clamp<std::uint32_t>(quantum.value_or(dsi::kDefaultRequestQuantum), 1, dsi::kDefaultRequestQuantum);
}

} // namespace

DsiClientTransport::DsiClientTransport(std::string host, std::uint16_t port, Options options)
    : host_(std::move(host)), port_(port), options_(options) {}

DsiClientTransport::~DsiClientTransport() { close(); }

int DsiClientTransport::connect(std::string& problem) const {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port_);
    if (const int error = ::getaddrinfo(host_.c_str(), service.c_str(), &hints, &found); error != 0) {
        problem = "cannot find " + host_ + ": " + ::gai_strerror(error);
        return -1;
    }
    const auto deadline = Clock::now() + options_.replyLimit;
    int fd = -1;
    for (const addrinfo* address = found; address != nullptr && fd < 0; address = address->ai_next) {
        fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd >= 0 && !connectBounded(fd, *address, deadline)) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) problem = "cannot connect to " + host_ + " port " + service;
    return fd;
}

std::optional<std::vector<std::uint8_t>> DsiClientTransport::status(std::string& problem) {
    const int fd = connect(problem);
    if (fd < 0) return std::nullopt;
    auto reply = exchange(fd, DsiCommand::GetStatus, {}, 0, problem);
    ::close(fd);
    if (!reply) return std::nullopt;
    return std::move(reply->payload);
}

bool DsiClientTransport::open(std::string& problem) {
    if (fd_ >= 0) return true;
    fd_ = connect(problem);
    if (fd_ < 0) return false;
    const auto options = dsi::DsiSessionOptions::with(dsi::DsiOptionType::AttentionQuantum, dsi::kMinAttentionQuantum);
    const auto reply = exchange(fd_, DsiCommand::OpenSession, options.serialize(), 0, problem);
    if (reply && reply->header.errorCode() == 0) {
        requestQuantum_ = requestQuantumOf(reply->payload);
        return true;
    }
    // A refusal carries ASP's error code (ServerBusy when the server is full).
    if (reply) problem = describeSessionRefusal(reply->header.errorCode());
    close();
    return false;
}

AfpCallResult DsiClientTransport::call(std::span<const std::uint8_t> command) {
    AfpCallResult result;
    if (fd_ < 0) {
        result.problem = "no session is open";
        return result;
    }
    if (auto reply = exchange(fd_, DsiCommand::Command, command, 0, result.problem)) {
        result = {true, reply->header.errorCode(), std::move(reply->payload), {}};
    }
    return result;
}

AfpCallResult DsiClientTransport::write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) {
    AfpCallResult result;
    if (fd_ < 0) {
        result.problem = "no session is open";
        return result;
    }
    std::vector<std::uint8_t> payload(command.begin(), command.end());
    payload.insert(payload.end(), data.begin(), data.end());
    if (auto reply =
            exchange(fd_, DsiCommand::Write, payload, static_cast<std::uint32_t>(command.size()), result.problem)) {
        result = {true, reply->header.errorCode(), std::move(reply->payload), {}};
    }
    return result;
}

bool DsiClientTransport::keepAlive(std::string& problem) {
    if (fd_ < 0) {
        problem = "no session is open";
        return false;
    }
    bool closed = false;
    while (!closedByServer_ && messageWaiting(closed)) {
        const auto message = receive(fd_, problem);
        if (!message) {
            close(); // the stream is out of step: nothing more can be read from it
            return false;
        }
        answerServer(fd_, *message);
    }
    if (closed) closedByServer_ = true;
    if (closedByServer_) {
        problem = "the server closed the session";
        return false;
    }
    if (Clock::now() >= lastSent_ + options_.tickleInterval &&
        !sendFrame(fd_, DsiHeader::request(DsiCommand::Tickle, nextRequestId_++, 0), {})) {
        problem = "the connection to the server is lost";
        return false;
    }
    return true;
}

bool DsiClientTransport::messageWaiting(bool& closed) const {
    std::array<std::uint8_t, dsi::kHeaderSize> head{};
    const ssize_t peeked = ::recv(fd_, head.data(), head.size(), MSG_PEEK | MSG_DONTWAIT);
    if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        closed = true;
        return false;
    }
    if (peeked < static_cast<ssize_t>(head.size())) return false;
    const auto header = DsiHeader::parse(head);
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) return false;
    // A malformed or oversized header is taken in at once, so receive() reports it.
    return !header || header->totalLength > kLongestMessage ||
           static_cast<std::uint64_t>(waiting) >= head.size() + std::uint64_t{header->totalLength};
}

void DsiClientTransport::setAttentionHandler(AttentionHandler handler) {
    std::lock_guard lock(handlerMutex_);
    attention_ = std::move(handler);
}

void DsiClientTransport::close() {
    if (fd_ < 0) return;
    if (!closedByServer_) sendFrame(fd_, DsiHeader::request(DsiCommand::CloseSession, nextRequestId_++, 0), {});
    ::close(fd_);
    fd_ = -1;
    closedByServer_ = false;
}

std::optional<DsiClientTransport::Message> DsiClientTransport::exchange(int fd, DsiCommand command,
                                                                        std::span<const std::uint8_t> payload,
                                                                        std::uint32_t dataOffset,
                                                                        std::string& problem) {
    DsiHeader header = DsiHeader::request(command, nextRequestId_++, static_cast<std::uint32_t>(payload.size()));
    header.errorOrOffset = dataOffset;
    if (!sendFrame(fd, header, payload)) {
        problem = "the connection to the server is lost";
        return std::nullopt;
    }
    while (auto message = receive(fd, problem)) {
        if (message->header.reply && message->header.requestId == header.requestId) return message;
        answerServer(fd, *message);
        if (closedByServer_ && fd == fd_) {
            problem = "the server closed the session";
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool DsiClientTransport::sendFrame(int fd, const DsiHeader& header, std::span<const std::uint8_t> payload) {
    const auto head = header.serialize();
    std::vector<std::uint8_t> frame(head.begin(), head.end());
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    lastSent_ = Clock::now();
    return true;
}

std::optional<DsiClientTransport::Message> DsiClientTransport::receive(int fd, std::string& problem) {
    std::array<std::uint8_t, dsi::kHeaderSize> head{};
    if (!readExactly(fd, head, problem)) return std::nullopt;
    const auto header = DsiHeader::parse(head);
    if (!header || header->totalLength > kLongestMessage) {
        problem = "the server sent a malformed DSI message";
        return std::nullopt;
    }
    Message message{*header, std::vector<std::uint8_t>(header->totalLength)};
    if (!readExactly(fd, message.payload, problem)) return std::nullopt;
    return message;
}

bool DsiClientTransport::readExactly(int fd, std::span<std::uint8_t> into, std::string& problem) {
    auto silentUntil = Clock::now() + options_.replyLimit;
    std::size_t got = 0;
    while (got < into.size()) {
        const auto tickleDue = lastSent_ + options_.tickleInterval;
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, millisecondsUntil(std::min(silentUntil, tickleDue)));
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) {
            if (Clock::now() >= silentUntil) {
                problem = "the server stopped answering";
                return false;
            }
            // Quiet while we wait: a tickle tells the server this end is still here.
            sendFrame(fd, DsiHeader::request(DsiCommand::Tickle, nextRequestId_++, 0), {});
            continue;
        }
        const ssize_t n = ::recv(fd, into.data() + got, into.size() - got, 0);
        if (n <= 0) {
            if (fd == fd_) closedByServer_ = true;
            problem = "the server closed the connection";
            return false;
        }
        got += static_cast<std::size_t>(n);
        silentUntil = Clock::now() + options_.replyLimit;
    }
    return true;
}

void DsiClientTransport::answerServer(int fd, const Message& message) {
    if (message.header.reply) return; // a reply to a request given up on
    switch (message.header.command) {
    case DsiCommand::Attention: {
        sendFrame(fd, DsiHeader::replyTo(message.header, 0, 0), {});
        if (message.payload.size() < 2) return;
        const auto code = static_cast<std::uint16_t>(message.payload[0] << 8 | message.payload[1]);
        std::lock_guard lock(handlerMutex_);
        if (attention_) attention_(code);
        return;
    }
    case DsiCommand::CloseSession:
        if (fd == fd_) closedByServer_ = true;
        return;
    default: // a tickle: hearing it is what counts
        return;
    }
}

} // namespace appletalk::afp
