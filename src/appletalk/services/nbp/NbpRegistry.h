// SPDX-License-Identifier: MIT
// The names registered on one node, and the NBP responder on its names information socket
// (socket 2) that answers LkUps for them. A LkUp whose pattern matches one or more names is
// answered with LkUp-Replies sent to the address in the request's tuple (not the DDP source:
// a router may have passed the request on). The zone of the pattern is judged by the zone
// rule: by default any zone, as a node on a non-extended network may not know its own.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/nbp/NbpZoneRule.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace appletalk {

struct NbpEntity {
    nbp::NbpName name;
    std::uint8_t socket = 0;
    std::uint8_t enumerator = 0;
};

enum class NbpRegisterResult {
    Ok,
    InvalidName, // a field empty, over 32 bytes, or a wildcard in object or type
    InvalidSocket, // 0 or 255
    Duplicate, // object:type already registered on this node (case-folded)
    NoRoom, // 256 names on that socket already
};

struct NbpRegistryCounters {
    std::uint64_t lookups = 0; // LkUps received
    std::uint64_t answered = 0; // LkUps that matched at least one name
    std::uint64_t repliesSent = 0; // LkUp-Reply packets
    std::uint64_t dropped = 0; // malformed, or not a LkUp
};

class NbpRegistry {
public:
    static constexpr std::uint8_t kNamesInformationSocket = 2;

    // Opens socket 2 on `node`; isOpen() is false when another service holds it.
    explicit NbpRegistry(Node& node, nbp::NbpZoneRule zoneRule = nbp::NbpZoneRule::anyZone());
    ~NbpRegistry();
    NbpRegistry(const NbpRegistry&) = delete;
    NbpRegistry& operator=(const NbpRegistry&) = delete;

    bool isOpen() const { return open_; }
    void setZoneRule(nbp::NbpZoneRule zoneRule) { zoneRule_ = std::move(zoneRule); }

    // Registers `name` on `socket` of this node; `enumerator` receives the number that tells
    // it from other names on the same socket.
    NbpRegisterResult registerName(const nbp::NbpName& name, std::uint8_t socket, std::uint8_t* enumerator = nullptr);
    // Removes the name registered as object:type (case-folded). False when there is none.
    bool removeName(const nbp::NbpName& name);
    // Removes every name on `socket` (its service closed); returns how many.
    std::size_t removeSocket(std::uint8_t socket);

    const std::vector<NbpEntity>& entities() const { return entities_; }
    // The registered names that `pattern` matches, as reply tuples addressed from this node.
    std::vector<nbp::NbpTuple> matching(const nbp::NbpName& pattern) const;

    const NbpRegistryCounters& counters() const { return counters_; }

private:
    void receive(const Datagram& datagram);
    void answer(const nbp::NbpPacket& lookup);
    std::optional<std::uint8_t> freeEnumerator(std::uint8_t socket) const;
    NbpRegisterResult registerShared(SharedNode& shared, const nbp::NbpName& name, std::uint8_t socket,
                                     std::uint8_t* enumerator);

    Node& node_;
    bool open_ = false;
    nbp::NbpZoneRule zoneRule_;
    std::vector<NbpEntity> entities_;
    NbpRegistryCounters counters_;
};

} // namespace appletalk
