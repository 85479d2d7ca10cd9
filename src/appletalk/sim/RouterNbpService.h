// SPDX-License-Identifier: MIT
// The router's names information socket (2) on every port. A BrRq (or FwdReq) becomes a LkUp
// broadcast on each port whose network has the zone asked for; "*" means the zone of the
// LocalTalk port the request came in on, and a BrRq from an extended cable that says "*" is
// dropped. LkUps are answered for the router's own names.
#pragma once

#include "appletalk/protocols/ddp/Datagram.h"
#include "appletalk/protocols/nbp/NbpPacket.h"

#include <cstddef>

namespace appletalk::sim {

class SimRouter;

class RouterNbpService {
public:
    explicit RouterNbpService(SimRouter& router) : router_(router) {}

    void handle(std::size_t port, const Datagram& request);

private:
    void broadcastLookups(std::size_t arrival, const nbp::NbpPacket& request);
    void answerLookup(std::size_t port, const nbp::NbpPacket& request);

    SimRouter& router_;
};

} // namespace appletalk::sim
