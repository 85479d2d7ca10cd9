// SPDX-License-Identifier: MIT
// EtherTalk Phase 2 on a Linux network interface, through an AF_PACKET socket (which needs
// CAP_NET_RAW). It sends whole frames as the node builds them and hands on only AppleTalk
// and AARP frames addressed to this interface, to the AppleTalk broadcast, or to a group
// joined with joinGroup(), whether they came from the cable or from another program of this
// host on the same interface (never its own); everything else is dropped here. A port of a
// bridge, bond or team is refused, with the device to name instead.
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace appletalk {

struct EtherTalkCounters {
    std::uint64_t framesSent = 0;
    std::uint64_t sendErrors = 0;
    std::uint64_t framesReceived = 0; // handed on
    std::uint64_t otherProtocol = 0; // not AppleTalk or AARP
    std::uint64_t otherAddress = 0; // for another station or a group not joined
    std::uint64_t receiveErrors = 0;
};

class EtherTalkLink final : public Link {
public:
    // Opens the interface; nothing and a reason in `error` (naming the interface, and the
    // capability when that is what is missing) when it cannot.
    static std::unique_ptr<EtherTalkLink> open(const std::string& interfaceName, std::string& error);
    ~EtherTalkLink() override;
    EtherTalkLink(const EtherTalkLink&) = delete;
    EtherTalkLink& operator=(const EtherTalkLink&) = delete;

    void attach(FrameHandler onFrame, WakeHandler onInput) override;
    void detach() override;
    bool isAttached() const override { return static_cast<bool>(onFrame_); }
    bool send(std::span<const std::uint8_t> frame) override;
    bool poll() override;
    int waitHandle() const override { return socket_; }
    std::optional<MacAddress> hardwareAddress() const override { return hardware_; }
    bool joinGroup(const MacAddress& group) override;
    bool leaveGroup(const MacAddress& group) override;

    const std::string& interfaceName() const { return interface_; }
    const EtherTalkCounters& counters() const { return counters_; }
    // On the thread that polls.
    std::uint64_t framesDropped() const override;
    std::optional<ReceiveBufferGrant> receiveBuffer() const override { return receiveBuffer_; }

private:
    EtherTalkLink(int socket, int interfaceIndex, std::string interfaceName, MacAddress hardware);
    bool membership(const MacAddress& group, int operation);
    void receiveOne(std::span<const std::uint8_t> frame);

    int socket_;
    int index_;
    std::string interface_;
    MacAddress hardware_;
    std::set<MacAddress> groups_;
    FrameHandler onFrame_;
    EtherTalkCounters counters_;
    mutable std::uint64_t dropped_ = 0; // by the kernel, summed over its readings
    ReceiveBufferGrant receiveBuffer_;
};

} // namespace appletalk
