// SPDX-License-Identifier: MIT
#include "appletalk/sim/RouterNbpService.h"

#include "appletalk/protocols/nbp/NbpMatch.h"
#include "appletalk/protocols/nbp/NbpZoneRule.h"
#include "appletalk/protocols/zip/ZoneMulticast.h"
#include "appletalk/sim/SimRouter.h"

namespace appletalk::sim {

namespace {

constexpr std::uint8_t kNbpType = 2;

} // namespace

void RouterNbpService::handle(std::size_t port, const Datagram& request) {
    if (request.type != kNbpType) return;
    const auto packet = nbp::NbpPacket::parse(request.data);
    if (!packet || packet->tuples.size() != 1 || !packet->tuples[0].name.isValidPattern()) return;
    switch (packet->function) {
    case nbp::NbpFunction::BroadcastRequest:
        // A node of an extended cable must name its zone: which of the cable's zones "*"
        // means only it knows. Real routers drop such a request, and so does this one.
        if (router_.portConfig(port).extended && packet->tuples[0].name.isMyZone()) break;
        broadcastLookups(port, *packet);
        break;
    case nbp::NbpFunction::ForwardRequest: broadcastLookups(port, *packet); break;
    case nbp::NbpFunction::Lookup: answerLookup(port, *packet); break;
    default: break;
    }
}

void RouterNbpService::broadcastLookups(std::size_t arrival, const nbp::NbpPacket& request) {
    const nbp::NbpTuple& asked = request.tuples[0];
    const std::string zone = asked.name.isMyZone() ? router_.defaultZone(arrival) : asked.name.zone;
    for (std::size_t port = 0; port < router_.portCount(); ++port) {
        if (!router_.portHasZone(port, zone)) continue;
        nbp::NbpPacket lookup = request;
        lookup.function = nbp::NbpFunction::Lookup;
        // The requester's own cable gets the zone as sent ("*" included); another cable
        // would read "*" as its own zone, so it gets the zone's name.
        if (port != arrival) lookup.tuples[0].name.zone = zone;
        // A requester that does not know its network yet still gets replies from afar.
        if (port != arrival && lookup.tuples[0].network == 0)
            lookup.tuples[0].network = router_.portNode(arrival).thisNet();
        Node& node = router_.portNode(port);
        // On EtherTalk only the zone's nodes hear its look-ups: they go to its multicast address.
        SendOptions options;
        if (node.isExtended()) options.group = MacAddress{zip::zoneMulticastAddress(zone)};
        node.send(Datagram{{0, DdpAddress::kBroadcastNode, SimRouter::kNbpSocket},
                           {0, 0, SimRouter::kNbpSocket},
                           kNbpType,
                           0,
                           lookup.serialize()},
                  options);
        // The broadcast does not come back to us: answer for our own names on this cable here.
        answerLookup(port, lookup);
    }
}

void RouterNbpService::answerLookup(std::size_t port, const nbp::NbpPacket& request) {
    const nbp::NbpTuple& asked = request.tuples[0];
    const auto zoneRule = nbp::NbpZoneRule::custom(
        [this, port](std::string_view zone) { return zone.empty() || zone == "*" || router_.portHasZone(port, zone); });
    std::vector<nbp::NbpTuple> found;
    Node& node = router_.portNode(port);
    std::uint8_t enumerator = 0;
    for (const auto& [name, socket] : router_.names()) {
        if (nbp::matches(asked.name, name, zoneRule))
            found.push_back({node.thisNet(), node.nodeId(), socket, enumerator, {name.object, name.type, "*"}});
        ++enumerator;
    }
    const DdpAddress requester{asked.network, asked.node, asked.socket};
    for (const auto& reply : nbp::NbpPacket::lookupReplies(request.id, found))
        router_.sendFrom(port, Datagram{requester, {0, 0, SimRouter::kNbpSocket}, kNbpType, 0, reply.serialize()});
}

} // namespace appletalk::sim
