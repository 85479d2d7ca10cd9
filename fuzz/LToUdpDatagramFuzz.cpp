// SPDX-License-Identifier: MIT
// LToUDP datagrams from the network: the sender id and frame split must round-trip, and the
// frame inside must be safe to hand to the LLAP parser.
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/ltoudp/LToUdpDatagram.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace appletalk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto datagram = LToUdpDatagram::parse(bytes);
    if (!datagram) return 0;
    const auto again = datagram->serialize();
    if (!again || !std::equal(again->begin(), again->end(), bytes.begin(), bytes.end())) std::abort();
    [[maybe_unused]] const auto frame = LlapFrame::parse(datagram->frame);
    return 0;
}
