// SPDX-License-Identifier: MIT
// LLAP frames from the network: the codec must round-trip what it accepts, and a node fed
// anything must neither crash nor deliver a datagram it could not have parsed.
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace appletalk;

// One node holding id 20 on network 1 with a socket open, built once.
struct Station {
    Station() : wire(clock), link(wire.connect()), node(clock, *link, NodeConfig{{NodeRole::Workstation, 20}, 1}) {
        VirtualTimeDriver driver(clock);
        driver.add(node);
        node.start();
        driver.advance(std::chrono::seconds(3));
        node.setThisNet(1);
        node.openSocket(200, [](const Datagram& datagram) {
            if (datagram.data.size() > Datagram::kMaxData) std::abort();
        });
    }
    ManualClock clock;
    MemoryWire wire;
    std::unique_ptr<MemoryWireLink> link;
    Node node;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Station station;
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto frame = LlapFrame::parse(bytes)) {
        const auto again = frame->serialize();
        if (!again || !std::equal(again->begin(), again->end(), bytes.begin(), bytes.end())) std::abort();
    }
    station.node.receiveFrame(bytes);
    return 0;
}
