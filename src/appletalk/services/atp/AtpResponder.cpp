// SPDX-License-Identifier: MIT
#include "appletalk/services/atp/AtpResponder.h"

#include "appletalk/protocols/wire/WireLimits.h"

#include <chrono>
#include <utility>

namespace appletalk {

namespace {

constexpr std::uint8_t kAtpDdpType = 3;
constexpr std::size_t kMaxPackets = 8;

} // namespace

AtpResponder::AtpResponder(Node& node, std::uint8_t socket, Handler handler)
    : node_(node), handler_(std::move(handler)) {
    auto receiver = [this](const Datagram& datagram) { receive(datagram); };
    if (socket == 0) {
        socket_ = node_.openDynamicSocket(receiver);
    } else if (node_.openSocket(socket, receiver)) {
        socket_ = socket;
    }
}

AtpResponder::~AtpResponder() {
    for (auto& [key, entry] : cache_) node_.timers().cancel(entry.timer);
    if (socket_ != 0) node_.closeSocket(socket_);
}

void AtpResponder::receive(const Datagram& datagram) {
    if (datagram.type != kAtpDdpType) {
        if (other_) other_(datagram);
        return;
    }
    const auto packet = atp::AtpPacket::parse(datagram.data);
    if (!packet) {
        ++counters_.dropped;
        return;
    }
    if (packet->function == atp::AtpFunction::Request) {
        handleRequest(datagram.source, *packet);
    } else if (packet->function == atp::AtpFunction::Release) {
        handleRelease(datagram.source, *packet);
    } else {
        ++counters_.dropped; // a TResp has no business on a responding socket
    }
}

void AtpResponder::handleRequest(const DdpAddress& source, const atp::AtpPacket& packet) {
    ++counters_.requests;
    const Key key = keyOf(source, packet.tid);
    if (packet.exactlyOnce) {
        const auto found = cache_.find(key);
        if (found != cache_.end()) {
            // A duplicate: the requester lost some of the answer (or all of it). Never re-run.
            holdFor(key);
            if (found->second.answered) {
                ++counters_.replays;
                sendPackets(source, packet.tid, packet.bitmapOrSequence, found->second.packets);
            }
            return;
        }
    }
    const AtpIncomingRequest request{source, packet.tid, packet.exactlyOnce, packet.bitmapOrSequence, packet.payload()};
    if (packet.exactlyOnce) remember(key, packet.releaseTimeout().value_or(std::chrono::seconds(30)));
    ++counters_.handlerRuns;
    AtpAnswer answer = handler_(request);
    switch (answer.kind) {
    case AtpAnswer::Kind::Reply:
        if (respond(request, std::move(answer.packets))) break;
        ++counters_.dropped;
        forget(key);
        break;
    case AtpAnswer::Kind::Ignore:
        // Nothing was answered, so a later duplicate may ask again.
        forget(key);
        break;
    case AtpAnswer::Kind::Later: break;
    }
}

bool AtpResponder::respond(const AtpIncomingRequest& request, std::vector<atp::AtpPayload> packets) {
    if (!isValidResponse(packets)) return false;
    if (request.exactlyOnce) {
        const auto found = cache_.find(keyOf(request.source, request.tid));
        if (found == cache_.end() || found->second.answered) return false;
        found->second.answered = true;
        found->second.packets = std::move(packets);
        sendPackets(request.source, request.tid, request.bitmap, found->second.packets);
        return true;
    }
    sendPackets(request.source, request.tid, request.bitmap, packets);
    return true;
}

void AtpResponder::handleRelease(const DdpAddress& source, const atp::AtpPacket& packet) {
    const Key key = keyOf(source, packet.tid);
    if (cache_.count(key) == 0) return;
    ++counters_.releases;
    forget(key);
}

void AtpResponder::forget(const Key& key) {
    const auto found = cache_.find(key);
    if (found == cache_.end()) return;
    node_.timers().cancel(found->second.timer);
    cache_.erase(found);
}

void AtpResponder::remember(const Key& key, Duration hold) {
    Entry& entry = cache_[key];
    entry.hold = hold;
    holdFor(key);
}

void AtpResponder::holdFor(const Key& key) {
    // Every duplicate restarts the release timer: the requester is evidently still there.
    Entry& entry = cache_.at(key);
    node_.timers().cancel(entry.timer);
    entry.timer = node_.timers().scheduleAfter(entry.hold, [this, key] {
        ++counters_.releaseTimeouts;
        cache_.erase(key);
    });
}

void AtpResponder::sendPackets(const DdpAddress& to, std::uint16_t tid, std::uint8_t bitmap,
                               const std::vector<atp::AtpPayload>& packets) {
    for (std::size_t sequence = 0; sequence < packets.size(); ++sequence) {
        if ((bitmap & (1u << sequence)) == 0) continue;
        const bool last = sequence + 1 == packets.size();
        const auto seq = static_cast<std::uint8_t>(sequence);
        auto bytes = atp::AtpPacket::response(tid, seq, packets[sequence], last).serialize();
        node_.send(Datagram{to, {0, 0, socket_}, kAtpDdpType, 0, std::move(bytes)});
    }
}

AtpResponder::Key AtpResponder::keyOf(const DdpAddress& source, std::uint16_t tid) {
    return {source.network, source.node, source.socket, tid};
}

bool AtpResponder::isValidResponse(const std::vector<atp::AtpPayload>& packets) {
    if (packets.empty() || packets.size() > kMaxPackets) return false;
    for (const auto& packet : packets)
        if (packet.data.size() > kMaxAtpData) return false;
    return true;
}

} // namespace appletalk
