// SPDX-License-Identifier: MIT
// A node's port on a LocalTalk link (LToUDP, the in-process wire): LLAP frames, a node id
// acquired and defended by lapENQ/lapACK, a short DDP header for this network and a long one
// for anything else, and the LLAP broadcast for node 255.
#pragma once

#include "appletalk/node/LinkPort.h"
#include "appletalk/node/localtalk/NodeIdAcquirer.h"

namespace appletalk {

class LocalTalkPort final : public LinkPort {
public:
    LocalTalkPort(PortContext context, std::uint64_t seed, AcquisitionSettings settings);

    bool isExtended() const override { return false; }
    void start(std::uint16_t thisNet, const std::optional<NetworkRange>& cableRange, Acquired done) override;
    void moveInto(NetworkRange range, NodeAddress preferred, std::uint16_t thisNet, Acquired done) override;
    bool isReady() const override { return acquirer_.isAcquired(); }
    std::uint8_t nodeId() const override { return acquirer_.nodeId(); }
    AcquisitionCounters acquisitionCounters() const override {
        return {acquirer_.probesSent(), acquirer_.conflicts(), acquirer_.candidatesTried()};
    }

    SendResult send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) override;
    void receive(std::span<const std::uint8_t> frame, std::uint16_t thisNet) override;

    const NodeIdAcquirer& acquirer() const { return acquirer_; }

private:
    void sendControl(const LlapFrame& frame);
    bool isDataForOthers(std::span<const std::uint8_t> frame) const;
    void receiveData(const LlapFrame& frame, std::uint16_t thisNet);

    PortContext context_;
    NodeIdAcquirer acquirer_;
};

} // namespace appletalk
