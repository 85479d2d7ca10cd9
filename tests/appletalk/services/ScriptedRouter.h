// SPDX-License-Identifier: MIT
// A small router for the client tests: on one node it answers RTMP Requests, broadcasts
// RTMP Data when told, pages a zone list over ZIP/ATP, answers GetMyZone and GetNetInfo, and
// turns BrRqs into LkUps broadcast on the cable. It knows several networks and their zones
// but forwards nothing: only what a client on this cable sees is scripted.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/services/atp/AtpResponder.h"

#include <map>
#include <string>
#include <vector>

namespace appletalk::testing {

class ScriptedRouter {
public:
    ScriptedRouter(Node& node, std::uint16_t network, std::string cableZone)
        : node_(node),
          network_(network),
          cableZone_(std::move(cableZone)),
          zip_(node, 6, [this](const AtpIncomingRequest& request) { return answerZip(request); }) {
        node_.setThisNet(network);
        node_.openSocket(1, [this](const Datagram& d) { answerRtmp(d); });
        node_.openSocket(2, [this](const Datagram& d) { answerNbp(d); });
        zip_.setOtherDatagramHandler([this](const Datagram& d) { answerNetInfo(d); });
    }
    ~ScriptedRouter() {
        node_.closeSocket(1);
        node_.closeSocket(2);
    }

    // The zones of every network, in the order the zone list gives them.
    std::map<std::uint16_t, std::vector<std::string>> networks;
    std::vector<std::string> zoneList() const {
        std::vector<std::string> all;
        for (const auto& [network, zones] : networks) all.insert(all.end(), zones.begin(), zones.end());
        return all;
    }

    void broadcastRtmpData() {
        rtmp::RtmpData data{network_, node_.nodeId(), std::nullopt, {rtmp::RtmpTuple::network(network_, 0)}};
        node_.send(Datagram{{0, 255, 1}, {0, 0, 1}, 1, 0, data.serialize()});
    }

    bool answering = true;
    std::vector<std::uint16_t> zoneListIndexes; // the start index of every GetZoneList seen
    std::vector<DdpAddress> zipSources;
    int brRqs = 0;

private:
    void answerRtmp(const Datagram& d) {
        if (!answering || d.type != 5) return;
        const rtmp::RtmpResponse response{network_, node_.nodeId(), std::nullopt};
        node_.send(Datagram{d.source, {0, 0, 1}, 1, 0, response.serialize()});
    }

    AtpAnswer answerZip(const AtpIncomingRequest& request) {
        const auto zip = zip::ZipAtpRequest::parse(request.payload.userBytes);
        if (!answering || !zip || request.exactlyOnce || request.bitmap != 1) return AtpAnswer::ignore();
        zipSources.push_back(request.source);
        std::optional<zip::ZipZoneListReply> reply;
        if (zip->function == zip::ZipAtpFunction::GetMyZone || zip->function == zip::ZipAtpFunction::GetLocalZones) {
            reply = zip::ZipZoneListReply{false, {cableZone_}};
        } else {
            zoneListIndexes.push_back(zip->startIndex);
            const auto all = zoneList();
            reply = zip::ZipZoneListReply::page(all, zip->startIndex);
        }
        return AtpAnswer::reply({*reply->serialize()});
    }

    // As routers do on LocalTalk: flags 0xE0, range N..N, no multicast, the default zone.
    void answerNetInfo(const Datagram& d) {
        const auto request = zip::ZipGetNetInfoRequest::parse(d.data);
        if (!answering || d.type != 6 || !request) return;
        zip::ZipGetNetInfoReply reply{0x60, network_, network_, request->zone, {}, cableZone_};
        node_.send(Datagram{d.source, {0, 0, 6}, 6, 0, reply.serialize()});
    }

    void answerNbp(const Datagram& d) {
        const auto packet = nbp::NbpPacket::parse(d.data);
        if (!answering || !packet || packet->function != nbp::NbpFunction::BroadcastRequest) return;
        ++brRqs;
        // Only this cable's zone lives here; the zone field goes out as it came.
        const auto& zone = packet->tuples[0].name.zone;
        if (!(zone == "*" || zone.empty() || zone == cableZone_)) return;
        auto lookup = nbp::NbpPacket::request(nbp::NbpFunction::Lookup, packet->id, packet->tuples[0]);
        node_.send(Datagram{{0, 255, 2}, {0, 0, 2}, 2, 0, lookup.serialize()});
    }

    Node& node_;
    std::uint16_t network_;
    std::string cableZone_;
    AtpResponder zip_;
};

} // namespace appletalk::testing
