// SPDX-License-Identifier: MIT
// A node this process shares with others, held by the host's node service: it holds the
// address, routes every datagram and hands out socket numbers and names, so a node of this
// process over it claims each socket and name through it and follows its state.
#pragma once

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nodeservice/NodeServiceMessage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace appletalk {

class SharedNode {
public:
    virtual ~SharedNode() = default;

    // False when the socket is taken, by this process or another, or over this process's limit.
    virtual bool claimSocket(std::uint8_t socket) = 0;
    // A free dynamic socket, or 0.
    virtual std::uint8_t claimDynamicSocket() = 0;
    virtual void releaseSocket(std::uint8_t socket) = 0;
    // Registers object:type on one of this process's sockets on the node's NBP.
    virtual nodeservice::NameResult registerName(const nbp::NbpName& name, std::uint8_t socket,
                                                 std::uint8_t* enumerator) = 0;
    virtual void removeName(const nbp::NbpName& name) = 0;

    virtual const nodeservice::NodeState& state() const = 0;
    // The network the service's node is on, as the settings name it.
    virtual const std::string& network() const = 0;
    // Runs after each change of state() the service announces.
    virtual void setStateChanged(std::function<void()> changed) = 0;
    // The service went away (ended, restarted): nothing reaches the network from here again.
    virtual bool isGone() const = 0;
    virtual void setGone(std::function<void()> gone) = 0;
};

} // namespace appletalk
