// SPDX-License-Identifier: MIT
// The responding end of ATP on one socket. A handler turns each request into the response
// packets. At-least-once requests are simply answered each time they come. Exactly-once
// requests are remembered by (source, TID) with their response until the requester's TRel or
// the release timer: a duplicate TReq replays the packets it asks for without running the
// handler again.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/atp/AtpPacket.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace appletalk {

struct AtpIncomingRequest {
    DdpAddress source;
    std::uint16_t tid = 0;
    bool exactlyOnce = false;
    std::uint8_t bitmap = 0;
    atp::AtpPayload payload;
};

// What the handler decides for one request.
struct AtpAnswer {
    enum class Kind { Reply, Ignore, Later };

    Kind kind = Kind::Ignore;
    std::vector<atp::AtpPayload> packets; // Reply: sequence 0 first, at most 8

    static AtpAnswer reply(std::vector<atp::AtpPayload> packets) { return {Kind::Reply, std::move(packets)}; }
    // No answer at all (not ours, or a server that stopped answering).
    static AtpAnswer ignore() { return {Kind::Ignore, {}}; }
    // The handler answers later through AtpResponder::respond().
    static AtpAnswer later() { return {Kind::Later, {}}; }
};

struct AtpResponderCounters {
    std::uint64_t requests = 0; // TReqs received, duplicates included
    std::uint64_t handlerRuns = 0;
    std::uint64_t replays = 0; // duplicate XO TReqs answered from the cache
    std::uint64_t releases = 0; // TRels that found their transaction
    std::uint64_t releaseTimeouts = 0;
    std::uint64_t dropped = 0; // malformed, not a TReq/TRel, or a handler's bad answer
};

class AtpResponder {
public:
    using Handler = std::function<AtpAnswer(const AtpIncomingRequest&)>;

    // Opens `socket` (0: a dynamic one) on `node`; isOpen() tells whether that worked.
    AtpResponder(Node& node, std::uint8_t socket, Handler handler);
    ~AtpResponder();
    AtpResponder(const AtpResponder&) = delete;
    AtpResponder& operator=(const AtpResponder&) = delete;

    bool isOpen() const { return socket_ != 0; }
    std::uint8_t socket() const { return socket_; }

    // Answers a request the handler deferred. False when the packets are not 1..8 of at most
    // 578 data bytes, or an exactly-once request is no longer waiting (released, timed out).
    bool respond(const AtpIncomingRequest& request, std::vector<atp::AtpPayload> packets);

    // Datagrams of other DDP types on the same socket (ZIP's socket 6 also takes type 6).
    void setOtherDatagramHandler(Node::SocketHandler handler) { other_ = std::move(handler); }

    // Exactly-once transactions remembered now.
    std::size_t cachedCount() const { return cache_.size(); }
    const AtpResponderCounters& counters() const { return counters_; }

private:
    using Key = std::tuple<std::uint16_t, std::uint8_t, std::uint8_t, std::uint16_t>; // net, node, socket, TID
    struct Entry {
        bool answered = false;
        std::vector<atp::AtpPayload> packets;
        Duration hold{};
        TimerId timer = 0;
    };

    void receive(const Datagram& datagram);
    void handleRequest(const DdpAddress& source, const atp::AtpPacket& packet);
    void handleRelease(const DdpAddress& source, const atp::AtpPacket& packet);
    void remember(const Key& key, Duration hold);
    void holdFor(const Key& key);
    void forget(const Key& key);
    void sendPackets(const DdpAddress& to, std::uint16_t tid, std::uint8_t bitmap,
                     const std::vector<atp::AtpPayload>& packets);
    static Key keyOf(const DdpAddress& source, std::uint16_t tid);
    static bool isValidResponse(const std::vector<atp::AtpPayload>& packets);

    Node& node_;
    std::uint8_t socket_ = 0;
    Handler handler_;
    Node::SocketHandler other_;
    std::map<Key, Entry> cache_;
    AtpResponderCounters counters_;
};

} // namespace appletalk
