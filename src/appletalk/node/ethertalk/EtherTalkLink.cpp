// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/EtherTalkLink.h"

#include "appletalk/node/ethertalk/InterfaceMaster.h"
#include "appletalk/node/link/ReceiveBuffer.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk {

namespace {

constexpr int kMaxFramesPerPoll = 256;
constexpr std::array<std::uint8_t, 3> kSnapLlc{0xAA, 0xAA, 0x03};

std::string failure(const std::string& interfaceName, const char* what) {
    const int code = errno;
    std::string text = "EtherTalk on " + interfaceName + ": " + what + ": " + std::strerror(code);
    if (code == EPERM || code == EACCES)
        text +=
            " (raw Ethernet needs the CAP_NET_RAW capability, e.g. setcap cap_net_raw+ep on the program, "
            "or running as root)";
    return text;
}

// A port of a bridge, bond or team hands what arrives on it to that device: a node on the
// port would hear only what this host sends out of it.
std::string masterProblem(const std::string& interfaceName, unsigned index) {
    const auto master = interfaceMaster(index);
    if (!master || (master->kind != "bridge" && master->kind != "bond" && master->kind != "team")) return {};
    return "EtherTalk on " + interfaceName + ": " + interfaceName + " is a port of the " + master->kind + " " +
           master->name + ", which takes the frames that arrive on it; name " + master->name + " instead";
}

// In the kernel, before a frame is copied to us: 802.3 frames (a length, not a type) whose
// LLC/SNAP header says AppleTalk (AA AA 03 08 00 07 80 9B) or AARP (AA AA 03 00 00 00 80 F3).
// The socket hears every protocol, so that frames sent by other programs of this host
// reach it too; everything else on the interface stops here.
bool attachFilter(int socket) {
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 12),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, ETH_DATA_LEN, 8, 0),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 14),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xAAAA0308, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 18),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x0007809B, 3, 4),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xAAAA0300, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 18),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x000080F3, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    return setsockopt(socket, SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter) == 0;
}

} // namespace

std::unique_ptr<EtherTalkLink> EtherTalkLink::open(const std::string& interfaceName, std::string& error) {
    if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) {
        error = "EtherTalk: '" + interfaceName + "' is not an interface name";
        return nullptr;
    }
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0) {
        error = failure(interfaceName, "no such interface");
        return nullptr;
    }
    if (std::string problem = masterProblem(interfaceName, index); !problem.empty()) {
        error = std::move(problem);
        return nullptr;
    }
    // Protocol 0 hears nothing until bound, so the filter is in place before any frame comes.
    const int socket = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0) {
        error = failure(interfaceName, "opening a packet socket");
        return nullptr;
    }
    // Without the filter the check in receiveOne() still holds; it only costs more.
    attachFilter(socket);
    ifreq request{};
    std::memcpy(request.ifr_name, interfaceName.c_str(), interfaceName.size());
    if (ioctl(socket, SIOCGIFHWADDR, &request) != 0) {
        error = failure(interfaceName, "reading the hardware address");
        ::close(socket);
        return nullptr;
    }
    if (request.ifr_hwaddr.sa_family != 1 /* ARPHRD_ETHER */) {
        error = "EtherTalk on " + interfaceName + ": not an Ethernet interface";
        ::close(socket);
        return nullptr;
    }
    MacAddress hardware;
    std::memcpy(hardware.bytes.data(), request.ifr_hwaddr.sa_data, hardware.bytes.size());
    // Every protocol: a socket bound to one (802.2) does not hear what other programs of this
    // host send on the interface, such as a simulator serving the same cable. The kernel
    // never hands a socket back its own frames.
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(ETH_P_ALL);
    local.sll_ifindex = static_cast<int>(index);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = failure(interfaceName, "binding the packet socket");
        ::close(socket);
        return nullptr;
    }
    const ReceiveBufferGrant grant = enlargeReceiveBuffer(socket);
    std::unique_ptr<EtherTalkLink> link(new EtherTalkLink(socket, static_cast<int>(index), interfaceName, hardware));
    link->receiveBuffer_ = grant;
    if (!link->joinGroup(kAppleTalkBroadcast)) {
        error = failure(interfaceName, "joining the AppleTalk broadcast");
        return nullptr;
    }
    return link;
}

EtherTalkLink::EtherTalkLink(int socket, int interfaceIndex, std::string interfaceName, MacAddress hardware)
    : socket_(socket), index_(interfaceIndex), interface_(std::move(interfaceName)), hardware_(hardware) {}

EtherTalkLink::~EtherTalkLink() {
    // Closing the socket drops its memberships.
    ::close(socket_);
}

bool EtherTalkLink::membership(const MacAddress& group, int operation) {
    packet_mreq request{};
    request.mr_ifindex = index_;
    request.mr_type = PACKET_MR_MULTICAST;
    request.mr_alen = static_cast<unsigned short>(group.bytes.size());
    std::memcpy(request.mr_address, group.bytes.data(), group.bytes.size());
    return setsockopt(socket_, SOL_PACKET, operation, &request, sizeof request) == 0;
}

bool EtherTalkLink::joinGroup(const MacAddress& group) {
    if (!group.isGroup()) return false;
    if (groups_.count(group) != 0) return true;
    if (!membership(group, PACKET_ADD_MEMBERSHIP)) return false;
    groups_.insert(group);
    return true;
}

bool EtherTalkLink::leaveGroup(const MacAddress& group) {
    if (groups_.erase(group) == 0) return false;
    return membership(group, PACKET_DROP_MEMBERSHIP);
}

std::uint64_t EtherTalkLink::framesDropped() const {
    // The kernel counts the frames it had no room for, and starts again at each reading.
    tpacket_stats stats{};
    socklen_t length = sizeof stats;
    if (getsockopt(socket_, SOL_PACKET, PACKET_STATISTICS, &stats, &length) == 0) dropped_ += stats.tp_drops;
    return dropped_;
}

void EtherTalkLink::attach(FrameHandler onFrame, WakeHandler /*onInput*/) { onFrame_ = std::move(onFrame); }

void EtherTalkLink::detach() { onFrame_ = nullptr; }

bool EtherTalkLink::send(std::span<const std::uint8_t> frame) {
    if (frame.size() < EtherTalkFrame::kMinimumFrame || frame.size() > 1514) {
        ++counters_.sendErrors;
        return false;
    }
    sockaddr_ll destination{};
    destination.sll_family = AF_PACKET;
    destination.sll_protocol = htons(ETH_P_802_2);
    destination.sll_ifindex = index_;
    destination.sll_halen = 6;
    std::memcpy(destination.sll_addr, frame.data(), 6);
    const auto sent = ::sendto(socket_, frame.data(), frame.size(), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent != static_cast<ssize_t>(frame.size())) {
        ++counters_.sendErrors;
        return false;
    }
    ++counters_.framesSent;
    return true;
}

bool EtherTalkLink::poll() {
    std::uint8_t buffer[1518];
    bool delivered = false;
    for (int i = 0; i < kMaxFramesPerPoll; ++i) {
        sockaddr_ll from{};
        socklen_t fromSize = sizeof from;
        const auto size = ::recvfrom(socket_, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (size < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) ++counters_.receiveErrors;
            break;
        }
        // PACKET_OUTGOING is another program of this host sending on the interface.
        if (static_cast<std::size_t>(size) > sizeof buffer) continue;
        const std::uint64_t before = counters_.framesReceived;
        receiveOne(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(size)));
        delivered = delivered || counters_.framesReceived != before;
    }
    return delivered;
}

void EtherTalkLink::receiveOne(std::span<const std::uint8_t> frame) {
    // A cheap look at LLC and SNAP before anything else: the cable carries much that is not ours.
    if (frame.size() < EtherTalkFrame::kHeaderSize + EtherTalkFrame::kSnapSize ||
        !std::equal(kSnapLlc.begin(), kSnapLlc.end(), frame.begin() + EtherTalkFrame::kHeaderSize) ||
        !((frame[17] == 0x08 && frame[18] == 0x00 && frame[19] == 0x07 && frame[20] == 0x80 && frame[21] == 0x9B) ||
          (frame[17] == 0 && frame[18] == 0 && frame[19] == 0 && frame[20] == 0x80 && frame[21] == 0xF3))) {
        ++counters_.otherProtocol;
        return;
    }
    MacAddress destination;
    std::copy(frame.begin(), frame.begin() + 6, destination.bytes.begin());
    if (destination != hardware_ && groups_.count(destination) == 0) {
        ++counters_.otherAddress;
        return;
    }
    if (!onFrame_) return;
    ++counters_.framesReceived;
    const FrameHandler handler = onFrame_;
    handler(frame);
}

} // namespace appletalk
