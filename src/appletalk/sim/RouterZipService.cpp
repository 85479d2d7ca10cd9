// SPDX-License-Identifier: MIT
#include "appletalk/sim/RouterZipService.h"

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipExtendedReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipQuery.h"
#include "appletalk/protocols/zip/ZipReply.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/protocols/zip/ZoneMulticast.h"
#include "appletalk/sim/SimRouter.h"

namespace appletalk::sim {

namespace {

constexpr std::uint8_t kAtpType = 3;
constexpr std::uint8_t kZipType = 6;
constexpr std::size_t kZipReplyHeader = 2; // function, network count

} // namespace

void RouterZipService::handle(std::size_t port, const Datagram& request) {
    if (request.type == kAtpType) {
        handleAtp(port, request);
        return;
    }
    if (request.type != kZipType || request.data.empty()) return;
    switch (static_cast<zip::ZipFunction>(request.data[0])) {
    case zip::ZipFunction::Query: handleQuery(port, request); break;
    case zip::ZipFunction::GetNetInfoRequest: handleGetNetInfo(port, request); break;
    default: break; // replies and notifies are for nodes, not for us
    }
}

void RouterZipService::handleAtp(std::size_t port, const Datagram& request) {
    const auto packet = atp::AtpPacket::parse(request.data);
    if (!packet || packet->function != atp::AtpFunction::Request || (packet->bitmapOrSequence & 0x01) == 0) return;
    const auto zipRequest = zip::ZipAtpRequest::parse(packet->userBytes);
    if (!zipRequest) return;
    std::optional<zip::ZipZoneListReply> answer;
    switch (zipRequest->function) {
    case zip::ZipAtpFunction::GetMyZone:
        // One zone and LastFlag left at 0, as routers on the wire answer it.
        answer = zip::ZipZoneListReply{false, {router_.defaultZone(port)}};
        break;
    case zip::ZipAtpFunction::GetZoneList:
        answer = zip::ZipZoneListReply::page(router_.zoneList(), zipRequest->startIndex);
        break;
    case zip::ZipAtpFunction::GetLocalZones:
        answer = zip::ZipZoneListReply::page(router_.portConfig(port).zones, zipRequest->startIndex);
        break;
    default: return;
    }
    if (!answer) return;
    const auto payload = answer->serialize();
    if (!payload) return;
    reply(port, request, kAtpType, atp::AtpPacket::response(packet->tid, 0, *payload, true).serialize());
}

void RouterZipService::handleQuery(std::size_t port, const Datagram& request) {
    const auto query = zip::ZipQuery::parse(request.data);
    if (!query) return;
    std::vector<zip::NetworkZone> plain; // LocalTalk networks share Reply packets
    std::size_t plainSize = kZipReplyHeader;
    const auto flushPlain = [&] {
        if (plain.empty()) return;
        reply(port, request, kZipType, zip::ZipReply{plain}.serialize());
        plain.clear();
        plainSize = kZipReplyHeader;
    };
    for (const std::uint16_t network : query->networks) {
        const auto target = router_.portFor(network);
        if (!target) continue;
        const RouterPortConfig& config = router_.portConfig(*target);
        if (config.extended) {
            // A network of many zones is told alone, its count the total across packets.
            for (const auto& packet : zip::ZipExtendedReply::pack(config.rangeStart, config.zones))
                reply(port, request, kZipType, packet.serialize());
            continue;
        }
        const std::size_t size = 3 + config.zones.front().size();
        if (plainSize + size > kMaxDdpData) flushPlain();
        plain.push_back({config.rangeStart, config.zones.front()});
        plainSize += size;
    }
    flushPlain();
}

void RouterZipService::handleGetNetInfo(std::size_t port, const Datagram& request) {
    const auto asked = zip::ZipGetNetInfoRequest::parse(request.data);
    if (!asked) return;
    const RouterPortConfig& config = router_.portConfig(port);
    zip::ZipGetNetInfoReply answer;
    if (config.zones.size() == 1) answer.flags |= zip::ZipGetNetInfoReply::kOnlyOneZone;
    answer.rangeStart = config.rangeStart;
    answer.rangeEnd = config.rangeEnd;
    answer.zone = asked->zone;
    if (asked->zone.empty() || !router_.portHasZone(port, asked->zone)) answer.defaultZone = config.defaultZone;
    // On EtherTalk the node listens to its zone's multicast address, where the zone's
    // look-ups go; a LocalTalk frame has no such address, so there nodes use broadcast.
    if (router_.portNode(port).isExtended()) {
        const auto group = zip::zoneMulticastAddress(answer.defaultZone ? *answer.defaultZone : answer.zone);
        answer.multicastAddress.assign(group.begin(), group.end());
    } else {
        answer.flags |= zip::ZipGetNetInfoReply::kUseBroadcast;
    }
    reply(port, request, kZipType, answer.serialize());
}

void RouterZipService::reply(std::size_t port, const Datagram& request, std::uint8_t type,
                             std::vector<std::uint8_t> data) {
    if (data.empty()) return;
    router_.sendFrom(
        port,
        Datagram{SimRouter::replyAddress(request.source), {0, 0, SimRouter::kZipSocket}, type, 0, std::move(data)});
}

} // namespace appletalk::sim
