// SPDX-License-Identifier: MIT
// vidur sim [SCENARIO] --ltoudp [--interface ADDR] [--ttl N] [--port N], or --ethertalk IFACE:
// serves a scenario's routers, printers and file servers on an LToUDP network or an Ethernet
// interface so that other AppleTalk clients
// see them, until Ctrl-C or SIGTERM stops it (exit 0). Uses the simulator directly: this is
// the network, not a client of it. Where a router already answers on the segment, the
// devices join under it as plain nodes and the scenario's router stays away (--router and
// --no-router decide instead).
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class SimCommand final : public Command {
public:
    std::string name() const override { return "sim"; }
    std::string summary() const override {
        return "serve a scenario's simulated devices on an LToUDP or EtherTalk network";
    }
    std::string synopsis() const override {
        return "[SCENARIO] (--ltoudp [--interface ADDR] [--ttl N] [--port N] | --ethertalk IFACE) [--router | "
               "--no-router]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t maxPositionals() const override { return 1; }
    bool usesLibraryNetwork() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
