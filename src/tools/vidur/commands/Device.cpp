// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/Device.h"

#include "tarvlib/NameFields.h"

namespace vidur::cli {

using appletalk::api::fieldText;

Device Device::fromTuple(const _NBPTuple& tuple) {
    Device device;
    device.object = fieldText(tuple.entity.object);
    device.type = fieldText(tuple.entity.type);
    device.zone = fieldText(tuple.entity.zone);
    device.network = tuple.address.network;
    device.node = tuple.address.nodeID;
    device.socket = tuple.address.socket;
    device.enumerator = tuple.enumerator;
    return device;
}

std::string Device::address() const {
    return std::to_string(network) + "." + std::to_string(node) + ":" + std::to_string(socket);
}

} // namespace vidur::cli
