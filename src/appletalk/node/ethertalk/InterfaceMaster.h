// SPDX-License-Identifier: MIT
// The device a network interface is enslaved to, as the kernel's routing socket tells it: a
// bridge, a bond or a team takes the frames that arrive on its ports for itself, so a node
// must sit on that device rather than on the port.
#pragma once

#include <optional>
#include <string>

namespace appletalk {

struct InterfaceMaster {
    std::string name; // the master device, e.g. "br0"
    std::string kind; // what the port is to it: "bridge", "bond", "team", "vrf" ...
};

// Nothing when the interface has no master, or the kernel could not be asked.
std::optional<InterfaceMaster> interfaceMaster(unsigned interfaceIndex);

} // namespace appletalk
