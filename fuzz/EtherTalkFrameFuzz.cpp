// SPDX-License-Identifier: MIT
// EtherTalk frames from the cable: the frame parser round-trips what it accepts, and an
// EtherTalk node fed anything (AARP included) neither crashes nor delivers a datagram it
// could not have parsed.
#include "ProtocolRoundTrip.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include <chrono>
#include <cstdlib>

namespace {

using namespace appletalk;

// One node holding 3.20 on the cable 3..5, built once.
struct Station {
    Station() : wire(clock), link(wire.connect()) {
        link->setHardwareAddress(MacAddress{{0x02, 0, 0, 0, 0, 0x14}});
        NodeConfig config;
        config.acquisition.preferredId = 20;
        config.seed = 1;
        node = std::make_unique<Node>(clock, *link, config);
        node->setCableRange(NetworkRange{3, 5});
        node->setThisNet(3);
        VirtualTimeDriver driver(clock);
        driver.add(*node);
        node->start();
        driver.advance(std::chrono::seconds(3));
        driver.remove(*node);
        node->openSocket(200, [](const Datagram& datagram) {
            if (datagram.data.size() > Datagram::kMaxData) std::abort();
        });
    }
    ManualClock clock;
    MemoryWire wire;
    std::unique_ptr<MemoryWireLink> link;
    std::unique_ptr<Node> node;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Station station;
    const fuzz::Bytes bytes(data, size);
    if (const auto frame = EtherTalkFrame::parse(bytes)) {
        const auto wire = frame->serialize();
        const auto again = wire ? EtherTalkFrame::parse(*wire) : std::nullopt;
        if (!again || !(*again == *frame)) fuzz::mismatch("EtherTalkFrame");
    }
    station.node->receiveFrame(bytes);
    station.node->poll();
    return 0;
}
