// SPDX-License-Identifier: MIT
// Messages of the node service's socket, as a program or the service may receive them: no
// crash, and whatever parses serializes back to the very bytes it came from. Two parts of a
// node state are read loosely on purpose, so they are made canonical before comparing: flag
// bits the protocol does not define are ignored, and the range's first network is ignored
// when the flags say there is no range.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/nodeservice/NodeServiceMessage.h"

#include <algorithm>
#include <vector>

namespace {

using namespace appletalk;
using namespace appletalk::nodeservice;

constexpr std::uint8_t kDefinedStateFlags = 0x0F;
constexpr std::uint8_t kHasRange = 0x04;
constexpr std::size_t kRangeFirstOffset = 7; // flags, network, node, router network and node

// Where the node state starts in a message that carries one, or 0.
std::size_t stateOffset(const Message& message, fuzz::Bytes bytes) {
    if (std::holds_alternative<NodeState>(message)) return 1;
    if (std::holds_alternative<Welcome>(message)) return 4 + std::size_t{bytes[3]}; // type, version, network
    return 0;
}

std::vector<std::uint8_t> canonical(const Message& message, fuzz::Bytes bytes) {
    std::vector<std::uint8_t> wire(bytes.begin(), bytes.end());
    if (const std::size_t state = stateOffset(message, bytes); state != 0) {
        wire[state] &= kDefinedStateFlags;
        if ((wire[state] & kHasRange) == 0)
            std::fill_n(wire.begin() + static_cast<std::ptrdiff_t>(state + kRangeFirstOffset), 2, 0);
    }
    return wire;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    const auto message = parse(bytes);
    if (!message) return 0;
    const std::vector<std::uint8_t> wire = serialize(*message);
    if (wire.empty() || wire.size() > kMaxMessageSize) fuzz::mismatch("a parsed message does not serialize");
    if (wire != canonical(*message, bytes)) fuzz::mismatch("NodeServiceMessage bytes");
    const auto again = parse(wire);
    if (!again || !(*again == *message)) fuzz::mismatch("NodeServiceMessage value");
    return 0;
}
