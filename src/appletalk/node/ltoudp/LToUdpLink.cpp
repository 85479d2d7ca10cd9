// SPDX-License-Identifier: MIT
#include "appletalk/node/ltoudp/LToUdpLink.h"

#include "appletalk/node/link/ReceiveBuffer.h"
#include "appletalk/protocols/ltoudp/LToUdpDatagram.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk {

namespace {

// Bounded so a flood of datagrams cannot starve the timers sharing the thread; the socket
// stays readable and the loop comes back.
constexpr int kMaxDatagramsPerPoll = 256;

std::uint32_t randomSenderId() {
    std::random_device device;
    std::uint32_t id = 0;
    while (id == 0) id = device();
    return id;
}

bool setOption(int socket, int level, int name, const void* value, socklen_t size, const char* what,
               std::string& error) {
    if (setsockopt(socket, level, name, value, size) == 0) return true;
    error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

bool parseAddress(const std::string& text, in_addr& address, const char* what, std::string& error) {
    if (inet_pton(AF_INET, text.c_str(), &address) == 1) return true;
    error = std::string(what) + " is not an IPv4 address: " + text;
    return false;
}

// SO_REUSEADDR/SO_REUSEPORT before bind so several stacks on one host share the port;
// bound to the wildcard address because Linux drops group traffic for a unicast-bound socket.
bool configure(int socket, const LToUdpConfig& config, in_addr group, in_addr interface, std::string& error) {
    const int on = 1;
    // The kernel then tells, with each datagram, how many it has dropped for want of room.
    setsockopt(socket, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    if (!setOption(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on, "SO_REUSEADDR", error)) return false;
    if (!setOption(socket, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on, "SO_REUSEPORT", error)) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(config.port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = std::string("bind to port ") + std::to_string(config.port) + ": " + std::strerror(errno);
        return false;
    }
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface = interface;
    if (!setOption(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership, "IP_ADD_MEMBERSHIP", error))
        return false;
    if (!setOption(socket, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface, "IP_MULTICAST_IF", error))
        return false;
    const int ttl = config.ttl;
    if (!setOption(socket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl, "IP_MULTICAST_TTL", error)) return false;
    // Loop stays on so other stacks on this host hear us; our own copies are dropped by id.
    return setOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, &on, sizeof on, "IP_MULTICAST_LOOP", error);
}

} // namespace

std::unique_ptr<LToUdpLink> LToUdpLink::open(const LToUdpConfig& config, std::string& error) {
    in_addr group{};
    in_addr interface {};
    if (!parseAddress(config.group, group, "group", error)) return nullptr;
    if (!IN_MULTICAST(ntohl(group.s_addr))) {
        error = "group is not a multicast address: " + config.group;
        return nullptr;
    }
    if (!parseAddress(config.interfaceAddress, interface, "interface", error)) return nullptr;
    if (config.ttl < 0 || config.ttl > 255) {
        error = "TTL out of range: " + std::to_string(config.ttl);
        return nullptr;
    }
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    const ReceiveBufferGrant grant = enlargeReceiveBuffer(socket);
    if (!configure(socket, config, group, interface, error)) {
        ::close(socket);
        return nullptr;
    }
    const std::uint32_t id = config.senderId != 0 ? config.senderId : randomSenderId();
    std::unique_ptr<LToUdpLink> link(new LToUdpLink(socket, id, group.s_addr, config.port));
    link->receiveBuffer_ = grant;
    return link;
}

LToUdpLink::LToUdpLink(int socket, std::uint32_t senderId, std::uint32_t group, std::uint16_t port)
    : socket_(socket), senderId_(senderId), group_(group), port_(port) {}

LToUdpLink::~LToUdpLink() { ::close(socket_); }

void LToUdpLink::attach(FrameHandler onFrame, WakeHandler /*onInput*/) {
    // The socket's descriptor wakes the owner; no wake handler is needed.
    onFrame_ = std::move(onFrame);
}

void LToUdpLink::detach() { onFrame_ = nullptr; }

bool LToUdpLink::send(std::span<const std::uint8_t> frame) {
    const auto bytes = LToUdpDatagram{senderId_, {frame.begin(), frame.end()}}.serialize();
    if (!bytes) {
        ++counters_.sendErrors;
        return false;
    }
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port_);
    destination.sin_addr.s_addr = group_;
    const auto sent = ::sendto(socket_, bytes->data(), bytes->size(), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent != static_cast<ssize_t>(bytes->size())) {
        ++counters_.sendErrors;
        return false;
    }
    ++counters_.datagramsSent;
    return true;
}

bool LToUdpLink::poll() {
    // Larger than the largest legal datagram, so an oversize one is seen whole and dropped.
    std::uint8_t buffer[LToUdpDatagram::kMaxSize + 1];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
    bool delivered = false;
    for (int i = 0; i < kMaxDatagramsPerPoll; ++i) {
        iovec part{buffer, sizeof buffer};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const auto size = ::recvmsg(socket_, &message, MSG_DONTWAIT | MSG_TRUNC);
        if (size < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) ++counters_.receiveErrors;
            break;
        }
        noteOverflows(message);
        const auto realSize = static_cast<std::size_t>(size);
        const std::size_t kept = realSize < sizeof buffer ? realSize : sizeof buffer;
        const std::size_t before = counters_.datagramsReceived;
        receiveOne(std::span<const std::uint8_t>(buffer, kept), realSize);
        delivered = delivered || counters_.datagramsReceived != before;
    }
    return delivered;
}

void LToUdpLink::noteOverflows(msghdr& message) {
    // The kernel's running count of drops for this socket, on each datagram once it is not 0.
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SO_RXQ_OVFL) continue;
        std::uint32_t dropped = 0;
        std::memcpy(&dropped, CMSG_DATA(header), sizeof dropped);
        counters_.bufferOverflows = dropped;
    }
}

void LToUdpLink::receiveOne(std::span<const std::uint8_t> bytes, std::size_t realSize) {
    auto datagram = realSize == bytes.size() ? LToUdpDatagram::parse(bytes) : std::nullopt;
    if (!datagram) {
        ++counters_.sizeDropped;
        // An oversize one still goes on as far as it was read, longer than any LocalTalk
        // frame: the node refuses it, and tells an answer it could not read from silence.
        if (realSize <= LToUdpDatagram::kMaxSize) return;
        datagram = LToUdpDatagram{};
        datagram->senderId = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                             static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
        datagram->frame.assign(bytes.begin() + LToUdpDatagram::kSenderIdSize, bytes.end());
    }
    if (datagram->senderId == senderId_) {
        ++counters_.ownDropped;
        return;
    }
    // Read while detached, so the socket buffer does not fill; the frame is then dropped.
    if (!onFrame_) return;
    ++counters_.datagramsReceived;
    const FrameHandler handler = onFrame_;
    handler(datagram->frame);
}

} // namespace appletalk
