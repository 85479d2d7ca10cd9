// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/InterfaceMaster.h"

#include <array>
#include <cstring>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace appletalk {

namespace {

struct LinkAnswer {
    unsigned master = 0;
    std::string slaveKind;
};

std::string attributeText(const rtattr* attribute) {
    const auto* text = static_cast<const char*>(RTA_DATA(attribute));
    return std::string(text, strnlen(text, RTA_PAYLOAD(attribute)));
}

void readLinkInfo(const rtattr* info, LinkAnswer& answer) {
    int length = static_cast<int>(RTA_PAYLOAD(info));
    for (auto* nested = static_cast<const rtattr*>(RTA_DATA(info)); RTA_OK(nested, length);
         nested = RTA_NEXT(nested, length))
        if (nested->rta_type == IFLA_INFO_SLAVE_KIND) answer.slaveKind = attributeText(nested);
}

// The one RTM_NEWLINK answer to our request, read defensively: the kernel's answer is
// trusted no further than its own lengths say.
bool readAnswer(const std::uint8_t* bytes, std::size_t size, LinkAnswer& answer) {
    int remaining = static_cast<int>(size);
    for (auto* header = reinterpret_cast<const nlmsghdr*>(bytes); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type != RTM_NEWLINK) return false; // NLMSG_ERROR: no such interface
        if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) return false;
        int length = static_cast<int>(IFLA_PAYLOAD(header));
        for (auto* attribute = IFLA_RTA(static_cast<const ifinfomsg*>(NLMSG_DATA(header))); RTA_OK(attribute, length);
             attribute = RTA_NEXT(attribute, length)) {
            if (attribute->rta_type == IFLA_MASTER && RTA_PAYLOAD(attribute) >= sizeof(std::uint32_t))
                std::memcpy(&answer.master, RTA_DATA(attribute), sizeof(std::uint32_t));
            else if (attribute->rta_type == IFLA_LINKINFO)
                readLinkInfo(attribute, answer);
        }
        return true;
    }
    return false;
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
        read = size > 0 && readAnswer(buffer.data(), static_cast<std::size_t>(size), answer);
    }
    ::close(socket);
    if (!read || answer.master == 0) return std::nullopt;
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(answer.master, name) == nullptr) return std::nullopt;
    return InterfaceMaster{name, answer.slaveKind};
}

} // namespace appletalk
