// SPDX-License-Identifier: MIT
#include "appletalk/services/nbp/NbpRegistry.h"

#include "appletalk/node/service/SharedNode.h"
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
    // On a node shared through the host's node service, the service's registry answers for
    // every process: names are registered there, and socket 2 is its.
    if (node_.sharedNode() != nullptr) {
        open_ = true;
        return;
    }
    open_ = node_.openSocket(kNamesInformationSocket, [this](const Datagram& datagram) { receive(datagram); });
}

NbpRegistry::~NbpRegistry() {
    if (SharedNode* shared = node_.sharedNode()) {
        for (const NbpEntity& entity : entities_) shared->removeName(entity.name);
        return;
    }
    if (open_) node_.closeSocket(kNamesInformationSocket);
}

NbpRegisterResult NbpRegistry::registerShared(SharedNode& shared, const nbp::NbpName& name, std::uint8_t socket,
                                              std::uint8_t* enumerator) {
    std::uint8_t given = 0;
    switch (shared.registerName(name, socket, &given)) {
    case nodeservice::NameResult::Ok: break;
    case nodeservice::NameResult::Invalid: return NbpRegisterResult::InvalidName;
    case nodeservice::NameResult::Duplicate: return NbpRegisterResult::Duplicate;
    case nodeservice::NameResult::NotYourSocket: return NbpRegisterResult::InvalidSocket;
    case nodeservice::NameResult::TooMany: return NbpRegisterResult::NoRoom;
    }
    entities_.push_back({name, socket, given});
    if (enumerator) *enumerator = given;
    return NbpRegisterResult::Ok;
}

NbpRegisterResult NbpRegistry::registerName(const nbp::NbpName& name, std::uint8_t socket, std::uint8_t* enumerator) {
    if (!name.isRegistrable()) return NbpRegisterResult::InvalidName;
    if (socket == 0 || socket == 0xFF) return NbpRegisterResult::InvalidSocket;
    for (const auto& entity : entities_)
        if (sameEntity(entity.name, name)) return NbpRegisterResult::Duplicate;
    if (SharedNode* shared = node_.sharedNode()) return registerShared(*shared, name, socket, enumerator);
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
    if (SharedNode* shared = node_.sharedNode()) shared->removeName(found->name);
    entities_.erase(found);
    return true;
}

std::size_t NbpRegistry::removeSocket(std::uint8_t socket) {
    return static_cast<std::size_t>(std::erase_if(entities_, [this, socket](const NbpEntity& entity) {
        if (entity.socket != socket) return false;
        if (SharedNode* shared = node_.sharedNode()) shared->removeName(entity.name);
        return true;
    }));
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
