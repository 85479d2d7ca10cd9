// SPDX-License-Identifier: MIT
// A node's port on the host's node service: the service's node is this node. Its address is
// the service's, every datagram goes to the service as it is (the service routes it and
// delivers those for the node itself), sockets and names are claimed there, and what the
// service says of its state is what this node knows.
#pragma once

#include "appletalk/node/LinkPort.h"
#include "appletalk/node/service/NodeServiceLink.h"
#include "appletalk/node/service/SharedNode.h"

namespace appletalk {

class NodeServicePort final : public LinkPort, public SharedNode {
public:
    NodeServicePort(PortContext context, NodeServiceLink& link);

    // LinkPort
    bool isExtended() const override { return state_.extended; }
    void start(std::uint16_t thisNet, const std::optional<NetworkRange>& cableRange, Acquired done) override;
    void moveInto(NetworkRange range, NodeAddress preferred, std::uint16_t thisNet, Acquired done) override;
    bool isReady() const override { return started_; }
    std::uint8_t nodeId() const override { return state_.node; }
    AcquisitionCounters acquisitionCounters() const override { return {}; }
    SendResult send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) override;
    void receive(std::span<const std::uint8_t> frame, std::uint16_t thisNet) override;
    SharedNode* sharedNode() override { return this; }

    // SharedNode
    bool claimSocket(std::uint8_t socket) override;
    std::uint8_t claimDynamicSocket() override;
    void releaseSocket(std::uint8_t socket) override;
    nodeservice::NameResult registerName(const nbp::NbpName& name, std::uint8_t socket,
                                         std::uint8_t* enumerator) override;
    void removeName(const nbp::NbpName& name) override;
    const nodeservice::NodeState& state() const override { return state_; }
    const std::string& network() const override { return link_.welcome().network; }
    void setStateChanged(std::function<void()> changed) override { stateChanged_ = std::move(changed); }
    bool isGone() const override { return gone_; }
    void setGone(std::function<void()> gone) override { goneHandler_ = std::move(gone); }

private:
    std::optional<nodeservice::SocketOpened> openSocket(std::uint8_t socket);

    PortContext context_;
    NodeServiceLink& link_;
    nodeservice::NodeState state_;
    bool started_ = false;
    bool gone_ = false;
    std::function<void()> stateChanged_;
    std::function<void()> goneHandler_;
};

} // namespace appletalk
