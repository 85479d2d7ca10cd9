// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimFileServer.h"

namespace appletalk::sim {

SimFileServer::SimFileServer(const Clock& clock, LinkFactory links, DevicePlacement placement, std::string name)
    : SimDevice(clock, std::move(links), std::move(placement)) {
    setName(nbp::NbpName{std::move(name), kType, "*"});
}

SimFileServer::~SimFileServer() { closeServices(); }

std::uint8_t SimFileServer::openServices(Node& node) {
    // Requests to the session socket are received and left unanswered.
    socket_ = node.openDynamicSocket([](const Datagram&) {});
    return socket_;
}

void SimFileServer::closeServices() {
    if (Node* current = node(); current && socket_ != 0) current->closeSocket(socket_);
    socket_ = 0;
}

} // namespace appletalk::sim
