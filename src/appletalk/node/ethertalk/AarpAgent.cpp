// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/AarpAgent.h"

#include <algorithm>

namespace appletalk {

namespace {

constexpr std::uint8_t kFirstNode = 1;
constexpr std::uint8_t kLastNode = 253; // 0, 254 and 255 are reserved on extended cables

bool isUsable(NodeAddress address, const NetworkRange& range) {
    return range.contains(address.network) && address.node >= kFirstNode && address.node <= kLastNode;
}

} // namespace

AarpAgent::AarpAgent(TimerQueue& timers, MacAddress hardware, std::uint64_t seed, SendFrame send, AarpTiming timing)
    : timers_(timers), hardware_(hardware), random_(seed), send_(std::move(send)), timing_(timing) {}

AarpAgent::~AarpAgent() {
    timers_.cancel(probeTimer_);
    for (auto& [address, pending] : pending_) timers_.cancel(pending.timer);
}

void AarpAgent::acquire(NetworkRange range, NodeAddress preferred, Acquired done) {
    timers_.cancel(probeTimer_);
    probeTimer_ = 0;
    range_ = range;
    onAcquired_ = std::move(done);
    failed_ = false;
    candidate_ = isUsable(preferred, range) ? preferred : pickCandidate();
    probesSent_ = 0;
    addressesTried_ = 1;
    probe();
}

NodeAddress AarpAgent::pickCandidate() {
    std::uniform_int_distribution<int> network(range_.first, range_.last);
    std::uniform_int_distribution<int> node(kFirstNode, kLastNode);
    return NodeAddress{static_cast<std::uint16_t>(network(random_)), static_cast<std::uint8_t>(node(random_))};
}

void AarpAgent::probe() {
    probeTimer_ = 0;
    if (probesSent_ >= timing_.probeCount) {
        acquired_ = true;
        address_ = candidate_;
        if (onAcquired_) onAcquired_(address_);
        return;
    }
    ++probesSent_;
    ++counters_.probes;
    sendAarp(AarpFunction::Probe, kAppleTalkBroadcast, MacAddress{}, candidate_);
    probeTimer_ = timers_.scheduleAfter(timing_.probeInterval, [this] { probe(); });
}

void AarpAgent::conflict() {
    ++counters_.conflicts;
    timers_.cancel(probeTimer_);
    probeTimer_ = 0;
    if (addressesTried_ >= timing_.addressLimit) {
        // Reported from a timer, as an acquisition is: never from inside handle().
        probeTimer_ = timers_.scheduleAfter(Duration::zero(), [this] { fail(); });
        return;
    }
    ++addressesTried_;
    candidate_ = pickCandidate();
    probesSent_ = 0;
    // The next address waits a probe interval, so a station that answers every Probe at
    // once still sees them no faster than the schedule sends them.
    probeTimer_ = timers_.scheduleAfter(timing_.probeInterval, [this] { probe(); });
}

void AarpAgent::fail() {
    probeTimer_ = 0;
    failed_ = true;
    candidate_ = acquired_ ? address_ : NodeAddress{};
    if (onFailed_) onFailed_();
}

void AarpAgent::handle(const AarpPacket& packet) {
    // Our own, looped back. Other nodes of this host may share the hardware address (a
    // simulator's devices behind one interface), so the AppleTalk address decides.
    if (packet.sourceHardware == hardware_ && isOwn(packet.sourceAddress) && packet.function != AarpFunction::Response)
        return;
    if (isProbing()) {
        // Someone holds the address, or wants it as we do: neither of us may keep it.
        if ((packet.function == AarpFunction::Response && packet.sourceAddress == candidate_) ||
            (packet.function == AarpFunction::Probe && packet.destinationAddress == candidate_)) {
            conflict();
            return;
        }
    }
    if (acquired_ && packet.destinationAddress == address_ && packet.function != AarpFunction::Response) {
        ++counters_.defended;
        sendAarp(AarpFunction::Response, packet.sourceHardware, packet.sourceHardware, packet.sourceAddress);
    }
    if (packet.function == AarpFunction::Response) {
        ++counters_.resolved;
        learn(packet.sourceAddress, packet.sourceHardware);
    } else if (packet.function == AarpFunction::Request) {
        learn(packet.sourceAddress, packet.sourceHardware);
    }
}

void AarpAgent::glean(NodeAddress sender, const MacAddress& hardware) {
    if (hardware.isGroup()) return;
    if (isProbing() && sender == candidate_) {
        conflict(); // the address is in use already
        return;
    }
    ++counters_.gleaned;
    learn(sender, hardware);
}

std::optional<MacAddress> AarpAgent::hardwareFor(NodeAddress address) const {
    const auto known = cache_.find(address);
    if (known == cache_.end() || known->second.expires <= timers_.clock().now()) return std::nullopt;
    return known->second.hardware;
}

void AarpAgent::learn(NodeAddress address, const MacAddress& hardware) {
    if (address.node == 0 || address.node >= 254 || hardware.isGroup() || hardware.isZero()) return;
    const SteadyTime expires = timers_.clock().now() + timing_.entryLifetime;
    if (cache_.size() >= timing_.cacheLimit && cache_.count(address) == 0) {
        // Full: the entry closest to ageing out makes room.
        const auto oldest = std::min_element(cache_.begin(), cache_.end(), [](const auto& a, const auto& b) {
            return a.second.expires < b.second.expires;
        });
        cache_.erase(oldest);
    }
    cache_[address] = Entry{hardware, expires};
    const auto waiting = pending_.find(address);
    if (waiting == pending_.end()) return;
    Pending pending = std::move(waiting->second);
    pending_.erase(waiting);
    timers_.cancel(pending.timer);
    for (auto& datagram : pending.datagrams) sendToHardware(hardware, std::move(datagram));
}

void AarpAgent::sendTo(NodeAddress hop, std::vector<std::uint8_t> datagram) {
    if (hop.node == 0xFF) {
        sendToHardware(kAppleTalkBroadcast, std::move(datagram));
        return;
    }
    const auto known = cache_.find(hop);
    if (known != cache_.end()) {
        if (known->second.expires > timers_.clock().now()) {
            sendToHardware(known->second.hardware, std::move(datagram));
            return;
        }
        cache_.erase(known);
    }
    auto [entry, fresh] = pending_.try_emplace(hop);
    Pending& pending = entry->second;
    if (pending.datagrams.size() >= timing_.queueLimit) {
        pending.datagrams.erase(pending.datagrams.begin());
        ++counters_.queueDropped;
    }
    pending.datagrams.push_back(std::move(datagram));
    if (fresh) {
        pending.requestsLeft = timing_.requestCount;
        request(hop);
    }
}

void AarpAgent::request(NodeAddress hop) {
    const auto found = pending_.find(hop);
    if (found == pending_.end()) return;
    Pending& pending = found->second;
    pending.timer = 0;
    if (pending.requestsLeft <= 0) {
        giveUp(hop);
        return;
    }
    --pending.requestsLeft;
    sendAarp(AarpFunction::Request, kAppleTalkBroadcast, MacAddress{}, hop);
    pending.timer = timers_.scheduleAfter(timing_.requestInterval, [this, hop] { request(hop); });
}

void AarpAgent::giveUp(NodeAddress hop) {
    const auto found = pending_.find(hop);
    if (found == pending_.end()) return;
    Pending pending = std::move(found->second);
    pending_.erase(found);
    for (auto& datagram : pending.datagrams) {
        ++counters_.broadcastFallbacks;
        sendToHardware(kAppleTalkBroadcast, std::move(datagram));
    }
}

void AarpAgent::sendToHardware(const MacAddress& destination, std::vector<std::uint8_t> datagram) {
    send_(EtherTalkFrame{destination, hardware_, EtherProtocol::AppleTalk, std::move(datagram)});
}

void AarpAgent::sendAarp(AarpFunction function, const MacAddress& to, const MacAddress& targetHardware,
                         NodeAddress target) {
    // A Probe speaks for the tentative address; everything else for the one we hold.
    const NodeAddress from = function == AarpFunction::Probe || !acquired_ ? candidate_ : address_;
    const AarpPacket packet{function, hardware_, from, targetHardware, target};
    send_(EtherTalkFrame{to, hardware_, EtherProtocol::Aarp, packet.serialize()});
}

} // namespace appletalk
