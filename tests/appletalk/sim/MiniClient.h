// SPDX-License-Identifier: MIT
// A minimal client on a node, written by hand for the tests: an NBP look-up through A-ROUTER
// (or by broadcast without one) and a PAP SendStatus, each one request and its replies.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::testing {

class MiniClient {
public:
    MiniClient(Node& node, VirtualTimeDriver& driver) : node_(node), driver_(driver) {}

    // Every entity that answers `pattern` within two seconds, duplicates dropped.
    std::vector<nbp::NbpTuple> lookup(const nbp::NbpName& pattern) {
        std::vector<nbp::NbpTuple> found;
        const std::uint8_t socket = node_.openDynamicSocket([&found](const Datagram& d) {
            const auto packet = nbp::NbpPacket::parse(d.data);
            if (d.type != 2 || !packet || packet->function != nbp::NbpFunction::LookupReply) return;
            for (const auto& tuple : packet->tuples) {
                bool known = false;
                for (const auto& f : found)
                    known = known || (f.network == tuple.network && f.node == tuple.node && f.socket == tuple.socket &&
                                      f.enumerator == tuple.enumerator);
                if (!known) found.push_back(tuple);
            }
        });
        const bool viaRouter = node_.aRouter() != 0;
        const nbp::NbpTuple requester{node_.thisNet(), node_.nodeId(), socket, 0, pattern};
        const auto packet = nbp::NbpPacket::request(
            viaRouter ? nbp::NbpFunction::BroadcastRequest : nbp::NbpFunction::Lookup, ++nbpId_, requester);
        const DdpAddress to = viaRouter ? DdpAddress{node_.thisNet(), node_.aRouter(), 2} : DdpAddress{0, 255, 2};
        node_.send(Datagram{to, {0, 0, socket}, 2, 0, packet.serialize()});
        driver_.advance(std::chrono::seconds(2));
        node_.closeSocket(socket);
        return found;
    }

    // The status text, or nothing when no answer came within `wait`.
    std::optional<std::string> papStatus(const DdpAddress& printer, bool exactlyOnce = true,
                                         Duration wait = std::chrono::seconds(2)) {
        const auto reply = transact(printer, pap::PapHeader::sendStatus().serialize(), exactlyOnce, wait);
        if (!reply) return std::nullopt;
        const auto status = pap::PapStatus::parse(reply->data);
        return status ? std::optional<std::string>(status->status) : std::nullopt;
    }

    // One ZIP-over-ATP request to A-ROUTER's socket 6.
    std::optional<zip::ZipZoneListReply> zip(const zip::ZipAtpRequest& request) {
        const auto reply =
            transact({node_.thisNet(), node_.aRouter(), 6}, request.serialize(), false, std::chrono::seconds(2));
        if (!reply) return std::nullopt;
        return zip::ZipZoneListReply::parse(reply->userBytes, reply->data);
    }

    // One ATP TReq (bitmap 1) and the first TResp back, if one came within `wait`.
    std::optional<atp::AtpPacket> transact(const DdpAddress& to, atp::UserBytes userBytes, bool exactlyOnce,
                                           Duration wait) {
        std::optional<atp::AtpPacket> reply;
        const std::uint16_t tid = ++tid_;
        const std::uint8_t socket = node_.openDynamicSocket([&reply, tid](const Datagram& d) {
            const auto packet = atp::AtpPacket::parse(d.data);
            if (d.type == 3 && packet && packet->function == atp::AtpFunction::Response && packet->tid == tid && !reply)
                reply = packet;
        });
        const auto request = atp::AtpPacket::request(tid, 0x01, {userBytes, {}}, exactlyOnce);
        node_.send(Datagram{to, {0, 0, socket}, 3, 0, request.serialize()});
        driver_.advanceUntil([&reply] { return reply.has_value(); }, wait);
        node_.closeSocket(socket);
        return reply;
    }

private:
    Node& node_;
    VirtualTimeDriver& driver_;
    std::uint8_t nbpId_ = 0;
    std::uint16_t tid_ = 0x2900;
};

} // namespace appletalk::testing
