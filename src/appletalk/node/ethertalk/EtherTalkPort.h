// SPDX-License-Identifier: MIT
// A node's port on an EtherTalk link: 802.3 frames with LLC/SNAP, an address (network and
// node) probed for and defended by AARP, a long DDP header on every datagram, each sent to
// the hardware address of its next hop as AARP resolves it, and zone multicast groups.
#pragma once

#include "appletalk/node/LinkPort.h"
#include "appletalk/node/ethertalk/AarpAgent.h"

#include <set>

namespace appletalk {

class EtherTalkPort final : public LinkPort {
public:
    // `preferredNode` is tried first, with the network the node last had.
    EtherTalkPort(PortContext context, MacAddress hardware, std::uint64_t seed, std::uint8_t preferredNode,
                  AarpTiming timing);

    bool isExtended() const override { return true; }
    void start(std::uint16_t thisNet, const std::optional<NetworkRange>& cableRange, Acquired done) override;
    void moveInto(NetworkRange range, NodeAddress preferred, std::uint16_t thisNet, Acquired done) override;
    bool isReady() const override { return aarp_.isAcquired(); }
    std::uint8_t nodeId() const override { return aarp_.address().node; }
    AcquisitionCounters acquisitionCounters() const override {
        return {aarp_.counters().probes, aarp_.counters().conflicts, aarp_.addressesTried()};
    }

    SendResult send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) override;
    void receive(std::span<const std::uint8_t> frame, std::uint16_t thisNet) override;

    bool joinGroup(const MacAddress& group) override;
    void leaveGroup(const MacAddress& group) override;

    const AarpAgent& aarp() const { return aarp_; }

private:
    void sendFrame(const EtherTalkFrame& frame);
    bool isForUs(const MacAddress& destination) const;

    PortContext context_;
    AarpAgent aarp_;
    std::uint8_t preferredNode_;
    std::set<MacAddress> groups_;
};

} // namespace appletalk
