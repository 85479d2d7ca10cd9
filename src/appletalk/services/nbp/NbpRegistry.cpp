// SPDX-License-Identifier: MIT
#include "appletalk/services/nbp/NbpRegistry.h"

#include "appletalk/protocols/nbp/NbpMatch.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <utility>

namespace appletalk {

namespace {

constexpr std::uint8_t kNbpDdpType = 2;

bool sameEntity(const nbp::NbpName& a, const nbp::NbpName& b) {
    return vidur::text::compareFolded(a.object, b.object) == 0 && vidur::text::compareFolded(a.type, b.type) == 0;
}

} // namespace

NbpRegistry::NbpRegistry(Node& node, nbp::NbpZoneRule zoneRule) : node_(node), zoneRule_(std::move(zoneRule)) {
    open_ = node_.openSocket(kNamesInformationSocket, [this](const Datagram& datagram) { receive(datagram); });
}

NbpRegistry::~NbpRegistry() {
    if (open_) node_.closeSocket(kNamesInformationSocket);
}

NbpRegisterResult NbpRegistry::registerName(const nbp::NbpName& name, std::uint8_t socket, std::uint8_t* enumerator) {
    if (!name.isRegistrable()) return NbpRegisterResult::InvalidName;
    if (socket == 0 || socket == 0xFF) return NbpRegisterResult::InvalidSocket;
    for (const auto& entity : entities_)
        if (sameEntity(entity.name, name)) return NbpRegisterResult::Duplicate;
    const auto free = freeEnumerator(socket);
    if (!free) return NbpRegisterResult::NoRoom;
    entities_.push_back({name, socket, *free});
    if (enumerator) *enumerator = *free;
    return NbpRegisterResult::Ok;
}

bool NbpRegistry::removeName(const nbp::NbpName& name) {
    const auto found = std::find_if(entities_.begin(), entities_.end(),
                                    [&](const NbpEntity& entity) { return sameEntity(entity.name, name); });
    if (found == entities_.end()) return false;
    entities_.erase(found);
    return true;
}

std::size_t NbpRegistry::removeSocket(std::uint8_t socket) {
    return static_cast<std::size_t>(
        std::erase_if(entities_, [socket](const NbpEntity& entity) { return entity.socket == socket; }));
}

std::vector<nbp::NbpTuple> NbpRegistry::matching(const nbp::NbpName& pattern) const {
    std::vector<nbp::NbpTuple> tuples;
    for (const auto& entity : entities_) {
        if (!nbp::matches(pattern, entity.name, zoneRule_)) continue;
        tuples.push_back({node_.thisNet(), node_.nodeId(), entity.socket, entity.enumerator, entity.name});
    }
    return tuples;
}

void NbpRegistry::receive(const Datagram& datagram) {
    if (datagram.type != kNbpDdpType) return;
    const auto packet = nbp::NbpPacket::parse(datagram.data);
    // BrRq and FwdReq are for routers; replies are for the requester's own socket.
    if (!packet || packet->function != nbp::NbpFunction::Lookup || packet->tuples.size() != 1) {
        ++counters_.dropped;
        return;
    }
    ++counters_.lookups;
    answer(*packet);
}

void NbpRegistry::answer(const nbp::NbpPacket& lookup) {
    const nbp::NbpTuple& requester = lookup.tuples.front();
    const auto tuples = matching(requester.name);
    if (tuples.empty()) return;
    ++counters_.answered;
    const DdpAddress to{requester.network, requester.node, requester.socket};
    for (const auto& reply : nbp::NbpPacket::lookupReplies(lookup.id, tuples)) {
        if (node_.send(Datagram{to, {0, 0, kNamesInformationSocket}, kNbpDdpType, 0, reply.serialize()}) ==
            SendResult::Sent)
            ++counters_.repliesSent;
    }
}

std::optional<std::uint8_t> NbpRegistry::freeEnumerator(std::uint8_t socket) const {
    // From 1, as devices commonly number their names; 0 only when all else is taken.
    for (int candidate = 1; candidate <= 256; ++candidate) {
        const auto value = static_cast<std::uint8_t>(candidate & 0xFF);
        const bool used = std::any_of(entities_.begin(), entities_.end(), [&](const NbpEntity& entity) {
            return entity.socket == socket && entity.enumerator == value;
        });
        if (!used) return value;
    }
    return std::nullopt;
}

} // namespace appletalk
