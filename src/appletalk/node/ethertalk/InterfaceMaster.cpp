// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/InterfaceMaster.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <optional>
#include <span>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace appletalk {

namespace {

struct LinkAnswer {
    unsigned master = 0;
    std::string slaveKind;
};

using Bytes = std::span<const std::uint8_t>;

// Netlink's own macros cast the byte buffer to its headers and mix signed and unsigned
// lengths; copying each header out keeps the parse free of both.
template <typename Header>
std::optional<Header> headerAt(Bytes bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(Header)) return std::nullopt;
    Header header;
    std::memcpy(&header, bytes.data() + offset, sizeof(Header));
    return header;
}

// Netlink messages and attributes are both padded to 4 bytes.
constexpr std::size_t padded(std::size_t length) { return (length + 3) & ~std::size_t{3}; }

// Each well-formed attribute's type and payload; the kernel's answer is trusted no further
// than its own lengths say.
template <typename Visit>
void forEachAttribute(Bytes bytes, Visit visit) {
    std::size_t offset = 0;
    while (const auto attribute = headerAt<rtattr>(bytes, offset)) {
        const std::size_t length = attribute->rta_len;
        if (length < sizeof(rtattr) || length > bytes.size() - offset) return;
        const std::size_t payload = padded(sizeof(rtattr));
        visit(attribute->rta_type, bytes.subspan(offset + payload, length - std::min(length, payload)));
        offset += padded(length);
    }
}

std::string attributeText(Bytes payload) {
    const auto* text = reinterpret_cast<const char*>(payload.data());
    return std::string(text, strnlen(text, payload.size()));
}

// The one RTM_NEWLINK answer to our request; anything else (NLMSG_ERROR: no such
// interface) is no answer.
bool readAnswer(Bytes bytes, LinkAnswer& answer) {
    const auto header = headerAt<nlmsghdr>(bytes, 0);
    const std::size_t attributesAt = padded(sizeof(nlmsghdr)) + padded(sizeof(ifinfomsg));
    if (!header || header->nlmsg_type != RTM_NEWLINK) return false;
    if (header->nlmsg_len < attributesAt || header->nlmsg_len > bytes.size()) return false;
    forEachAttribute(bytes.subspan(attributesAt, header->nlmsg_len - attributesAt), [&](unsigned type, Bytes payload) {
        if (type == IFLA_MASTER && payload.size() >= sizeof(std::uint32_t))
            std::memcpy(&answer.master, payload.data(), sizeof(std::uint32_t));
        else if (type == IFLA_LINKINFO)
            forEachAttribute(payload, [&](unsigned nestedType, Bytes nested) {
                if (nestedType == IFLA_INFO_SLAVE_KIND) answer.slaveKind = attributeText(nested);
            });
    });
    return true;
}

} // namespace

std::optional<InterfaceMaster> interfaceMaster(unsigned interfaceIndex) {
    const int socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (socket < 0) return std::nullopt;
    // The kernel answers at once; the bound only guards against a socket that never does.
    const timeval patience{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    struct {
        nlmsghdr header;
        ifinfomsg link;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = 1;
    request.link.ifi_family = AF_UNSPEC;
    request.link.ifi_index = static_cast<int>(interfaceIndex);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    std::array<std::uint8_t, 16384> buffer{};
    LinkAnswer answer;
    bool read = false;
    if (::sendto(socket, &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) ==
        static_cast<ssize_t>(sizeof request)) {
        const auto size = ::recv(socket, buffer.data(), buffer.size(), 0);
        read = size > 0 && readAnswer(Bytes(buffer.data(), static_cast<std::size_t>(size)), answer);
    }
    ::close(socket);
    if (!read || answer.master == 0) return std::nullopt;
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(answer.master, name) == nullptr) return std::nullopt;
    return InterfaceMaster{name, answer.slaveKind};
}

} // namespace appletalk
