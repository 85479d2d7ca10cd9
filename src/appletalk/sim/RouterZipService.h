// SPDX-License-Identifier: MIT
// The router's zone information socket (6) on every port: ZIP over ATP (GetMyZone,
// GetZoneList for the whole internet, GetLocalZones) and DDP-type-6 ZIP (Query,
// GetNetInfo). Replies go to the requester's socket, ATP replies as one TResp (0x90, seq 0).
#pragma once

#include "appletalk/protocols/ddp/Datagram.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace appletalk::sim {

class SimRouter;

class RouterZipService {
public:
    explicit RouterZipService(SimRouter& router) : router_(router) {}

    void handle(std::size_t port, const Datagram& request);

private:
    void handleAtp(std::size_t port, const Datagram& request);
    void handleQuery(std::size_t port, const Datagram& request);
    void handleGetNetInfo(std::size_t port, const Datagram& request);
    void reply(std::size_t port, const Datagram& request, std::uint8_t type, std::vector<std::uint8_t> data);

    SimRouter& router_;
};

} // namespace appletalk::sim
