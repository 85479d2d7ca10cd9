// SPDX-License-Identifier: MIT
#include "appletalk/node/service/NodeServiceLink.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace appletalk {

namespace {

using WallClock = std::chrono::steady_clock;

int connectTo(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        error = "the socket path is empty or too long";
        return -1;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int reason = errno;
        error = std::strerror(reason);
        ::close(fd);
        errno = reason; // the caller tells "nobody there" from "not for you" by it
        return -1;
    }
    return fd;
}

int millisecondsLeft(WallClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - WallClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

std::unique_ptr<NodeServiceLink> NodeServiceLink::connect(const std::string& path, std::chrono::milliseconds patience,
                                                          std::string& error) {
    const int fd = connectTo(path, error);
    if (fd < 0) return nullptr;
    std::unique_ptr<NodeServiceLink> link(new NodeServiceLink(fd, path));
    if (!link->post(nodeservice::Hello{})) {
        error = "the service closed the connection";
        return nullptr;
    }
    const auto deadline = WallClock::now() + patience;
    while (!link->isGone()) {
        const auto packet = link->receive(millisecondsLeft(deadline));
        if (!packet) {
            if (WallClock::now() >= deadline) break;
            continue;
        }
        const auto message = nodeservice::parse(*packet);
        if (const auto* welcome = message ? std::get_if<nodeservice::Welcome>(&*message) : nullptr) {
            if (welcome->version != nodeservice::kProtocolVersion) {
                error = "it speaks version " + std::to_string(welcome->version) + " of the node protocol, not " +
                        std::to_string(nodeservice::kProtocolVersion);
                return nullptr;
            }
            link->welcome_ = *welcome;
            link->goneReported_ = false;
            return link;
        }
        if (const auto* refused = message ? std::get_if<nodeservice::Refused>(&*message) : nullptr) {
            error = "it refused: " + refused->reason;
            return nullptr;
        }
        // Anything else before the welcome is a peer that does not speak the protocol.
        error = "it does not speak the node protocol";
        return nullptr;
    }
    error = link->isGone() ? "the service closed the connection" : "the service did not answer";
    return nullptr;
}

NodeServiceLink::NodeServiceLink(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

NodeServiceLink::~NodeServiceLink() {
    if (fd_ >= 0) ::close(fd_);
}

void NodeServiceLink::attach(FrameHandler onFrame, WakeHandler onInput) {
    onFrame_ = std::move(onFrame);
    onInput_ = std::move(onInput);
}

void NodeServiceLink::detach() {
    onFrame_ = nullptr;
    onInput_ = nullptr;
}

bool NodeServiceLink::send(std::span<const std::uint8_t> /*frame*/) { return false; }

bool NodeServiceLink::post(const nodeservice::Message& message) {
    if (fd_ < 0) return false;
    const std::vector<std::uint8_t> bytes = nodeservice::serialize(message);
    if (bytes.empty()) return false;
    // Never blocks: a service too busy to take a datagram loses it, as a cable would.
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)) lost();
    return sent == static_cast<ssize_t>(bytes.size());
}

std::optional<nodeservice::Message> NodeServiceLink::request(const nodeservice::Message& message, std::uint32_t id) {
    // The service answers at once; this bound only keeps a hung service from hanging us.
    constexpr auto kPatience = std::chrono::seconds(5);
    if (!post(message)) return std::nullopt;
    const auto deadline = WallClock::now() + kPatience;
    while (fd_ >= 0 && WallClock::now() < deadline) {
        auto packet = receive(millisecondsLeft(deadline));
        if (!packet) continue;
        auto answer = nodeservice::parse(*packet);
        std::uint32_t answered = 0;
        if (const auto* opened = answer ? std::get_if<nodeservice::SocketOpened>(&*answer) : nullptr)
            answered = opened->request;
        if (const auto* named = answer ? std::get_if<nodeservice::NameRegistered>(&*answer) : nullptr)
            answered = named->request;
        if (answered == id) return answer;
        early_.push_back(std::move(*packet));
    }
    // What came meanwhile (or the loss itself) is for the next poll.
    if ((!early_.empty() || fd_ < 0) && onInput_) onInput_();
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> NodeServiceLink::receive(int timeoutMs) {
    if (fd_ < 0) return std::nullopt;
    if (timeoutMs >= 0) {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) <= 0) return std::nullopt;
    }
    std::vector<std::uint8_t> packet(nodeservice::kMaxMessageSize + 1);
    const ssize_t got = ::recv(fd_, packet.data(), packet.size(), MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        lost();
        return std::nullopt;
    }
    if (got < 0) return std::nullopt;
    packet.resize(static_cast<std::size_t>(got));
    return packet;
}

void NodeServiceLink::lost() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

bool NodeServiceLink::poll() {
    bool worked = false;
    while (!early_.empty()) {
        auto packet = std::move(early_.front());
        early_.pop_front();
        if (onFrame_ && !packet.empty()) onFrame_(packet);
        worked = true;
    }
    while (auto packet = receive(-1)) {
        if (onFrame_ && !packet->empty()) onFrame_(*packet);
        worked = true;
    }
    // The loss goes up once, as an empty frame: the port tells its node.
    if (fd_ < 0 && !goneReported_) {
        goneReported_ = true;
        if (onFrame_) onFrame_({});
        worked = true;
    }
    return worked;
}

} // namespace appletalk
