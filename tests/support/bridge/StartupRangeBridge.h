// SPDX-License-Identifier: MIT
// Test equipment: a bridge between a LocalTalk segment (LLAP frames) and an EtherTalk cable
// that routes nothing, as the LocalTalk-to-Ethernet bridges users put between a LocalTalk
// segment that has no router and an Ethernet. LocalTalk nodes, which have network 0, appear
// on the Ethernet in the start-up range at network 65280: network 0 in the DDP header and in
// NBP tuples is rewritten to 65280 on the way out, and 65280 back to 0 on the way in. The
// bridge answers AARP for the LocalTalk nodes it has heard, and learns the Ethernet nodes'
// hardware addresses from what they send. Frames in, frames out: no I/O of its own.
// Without the rewrite (as a bridge that translates nothing) network 0 goes out as it is:
// Ethernet nodes then see senders that name no network.
#pragma once

#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ddp/Datagram.h"
#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace appletalk::testing {

struct BridgeCounters {
    std::uint64_t toEtherTalk = 0;
    std::uint64_t toLocalTalk = 0;
    std::uint64_t aarpAnswered = 0;
    std::uint64_t dropped = 0; // unreadable, or for a node on the side it came from
};

class StartupRangeBridge {
public:
    static constexpr std::uint16_t kLocalTalkNetwork = 0xFF00;

    using Send = std::function<void(std::span<const std::uint8_t> frame)>;

    StartupRangeBridge(MacAddress hardware, Send toLocalTalk, Send toEtherTalk, bool rewritesNetworkZero = true);

    void fromLocalTalk(std::span<const std::uint8_t> frame);
    void fromEtherTalk(std::span<const std::uint8_t> frame);

    const BridgeCounters& counters() const { return counters_; }

private:
    void answerAarp(const AarpPacket& packet);
    void sendToEtherTalk(Datagram datagram);
    MacAddress hardwareFor(const DdpAddress& destination) const;

    MacAddress hardware_;
    bool rewritesNetworkZero_;
    Send toLocalTalk_;
    Send toEtherTalk_;
    std::bitset<256> localTalkNodes_; // heard sending on the LocalTalk side
    std::map<NodeAddress, MacAddress> etherTalkNodes_;
    BridgeCounters counters_;
};

} // namespace appletalk::testing
