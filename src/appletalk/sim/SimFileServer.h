// SPDX-License-Identifier: MIT
// A simulated file server: registers name:AFPServer@* on its session listening socket. It
// holds no volumes; a client sees it in the chooser and gets no further, as with a server
// that refuses guests.
#pragma once

#include "appletalk/sim/SimDevice.h"

#include <string>

namespace appletalk::sim {

class SimFileServer final : public SimDevice {
public:
    static constexpr const char* kType = "AFPServer";

    SimFileServer(const Clock& clock, LinkFactory links, DevicePlacement placement, std::string name);
    ~SimFileServer() override;

protected:
    std::uint8_t openServices(Node& node) override;
    void closeServices() override;

private:
    std::uint8_t socket_ = 0;
};

} // namespace appletalk::sim
