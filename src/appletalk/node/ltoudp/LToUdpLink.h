// SPDX-License-Identifier: MIT
// LocalTalk frames in UDP multicast, as emulators and bridges of real LocalTalk networks
// speak it: every node joins one group on one interface, and each datagram is a sender id
// followed by one LLAP frame. Our own looped-back datagrams are recognised by the id.
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <memory>
#include <string>

struct msghdr;

namespace appletalk {

struct LToUdpConfig {
    // The interface the group is joined on and sent from. Loopback unless told otherwise,
    // so nothing leaves the machine by accident.
    std::string interfaceAddress = "127.0.0.1";
    std::string group = "239.192.76.84";
    std::uint16_t port = 1954;
    int ttl = 1; // 0 keeps the frames on this host
    std::uint32_t senderId = 0; // 0: a random one
};

struct LToUdpCounters {
    std::uint64_t datagramsSent = 0;
    std::uint64_t sendErrors = 0;
    std::uint64_t datagramsReceived = 0; // handed on as frames
    std::uint64_t ownDropped = 0; // our own, looped back
    std::uint64_t sizeDropped = 0; // under 7 or over 607 bytes (an oversize one is still handed on)
    std::uint64_t receiveErrors = 0;
    // Datagrams the kernel dropped because the socket's receive buffer was full: frames lost
    // in a burst the stack did not read fast enough (ours looped back among them).
    std::uint64_t bufferOverflows = 0;
};

class LToUdpLink final : public Link {
public:
    // Opens and joins; nothing and a reason in `error` when the socket cannot be set up.
    static std::unique_ptr<LToUdpLink> open(const LToUdpConfig& config, std::string& error);
    ~LToUdpLink() override;
    LToUdpLink(const LToUdpLink&) = delete;
    LToUdpLink& operator=(const LToUdpLink&) = delete;

    void attach(FrameHandler onFrame, WakeHandler onInput) override;
    void detach() override;
    bool isAttached() const override { return static_cast<bool>(onFrame_); }
    bool send(std::span<const std::uint8_t> frame) override;
    bool poll() override;
    int waitHandle() const override { return socket_; }

    std::uint32_t senderId() const { return senderId_; }
    std::uint64_t framesDropped() const override { return counters_.bufferOverflows; }
    std::optional<ReceiveBufferGrant> receiveBuffer() const override { return receiveBuffer_; }
    // Read on the thread that polls and sends.
    const LToUdpCounters& counters() const { return counters_; }

private:
    LToUdpLink(int socket, std::uint32_t senderId, std::uint32_t group, std::uint16_t port);
    void receiveOne(std::span<const std::uint8_t> bytes, std::size_t realSize);
    void noteOverflows(msghdr& message);

    int socket_;
    std::uint32_t senderId_;
    std::uint32_t group_; // network byte order
    std::uint16_t port_;
    FrameHandler onFrame_;
    LToUdpCounters counters_;
    ReceiveBufferGrant receiveBuffer_;
};

} // namespace appletalk
