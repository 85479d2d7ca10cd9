#include "tools/vidur/Device.h"

#include <cstring>

namespace vidur::cli {

namespace {

std::string fieldText(const char (&field)[NBP_NAME_FIELD_SIZE]) { return std::string(field, strnlen(field, sizeof field)); }

} // namespace

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
