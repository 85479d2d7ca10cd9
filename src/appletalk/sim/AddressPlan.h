// SPDX-License-Identifier: MIT
// Where every device of a scenario sits, a network number and a node id each, handed out
// when the scenario is loaded: thousands of devices then start without contending for ids,
// and a scenario that asks more of a network than it can hold is refused with a message that
// names the network.
//
// A LocalTalk network has the node ids 1..254. An extended network has 1..253 on every number
// of its range; the router and the clients sit on its first number. The router's id is taken
// on the first number, and on the client's network the lowest workstation ids stay free for
// the clients that join it. Devices take server ids (128 and up) first, then workstation ids
// from 127 down, so a client that picks a workstation id at random rarely meets one.
//
// Served on a LocalTalk segment (LToUDP), the client's network is a LocalTalk cable whatever
// the scenario calls it: its nodes know each other by node id alone, so each device there
// needs an id of its own, on the network's first number.
#pragma once

#include "appletalk/sim/Scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::sim {

struct DeviceAddress {
    std::uint16_t network = 0;
    std::uint8_t node = 0;
};

class AddressPlan {
public:
    // Workstation ids 1..16 of the client's network are never given to a device.
    static constexpr int kWorkstationIdsKept = 16;

    // The plan, or nothing and why: the first network asked to hold more than it can, what it
    // holds and what was asked. `networkIndex`, when given, receives that network's index.
    static std::optional<AddressPlan> make(const Scenario& scenario, bool clientOnLocalTalk, std::string& problem,
                                           std::size_t* networkIndex = nullptr);

    // In the scenario's order.
    DeviceAddress printer(std::size_t index) const { return addresses_.at(index); }
    DeviceAddress fileServer(std::size_t index) const { return addresses_.at(printers_ + index); }

private:
    std::vector<DeviceAddress> addresses_; // printers, then file servers
    std::size_t printers_ = 0;
};

} // namespace appletalk::sim
