// SPDX-License-Identifier: MIT
// The network chosen with --network for one run: the simulated network (the built-in
// scenario or a scenario file), LToUDP on one interface, or EtherTalk on an Ethernet interface. apply() hands it to the AppleTalk
// library through its environment override, so it must run before the library is first used.
#pragma once

#include <string>

namespace vidur::cli {

class NetworkChoice {
public:
    enum class Kind { Sim, LToUdp, EtherTalk };

    // "sim", "sim:SCENARIO", "ltoudp", "ltoudp:INTERFACE-ADDRESS" (an IPv4 address),
    // "ethertalk:INTERFACE" (an interface name); anything
    // else, an unreadable scenario file or a malformed address is a UsageError.
    static NetworkChoice parse(const std::string& text);

    Kind kind() const { return kind_; }
    // The scenario file or the interface address; empty for the default.
    const std::string& argument() const { return argument_; }
    // The value the library reads from VIDUR_NETWORK.
    std::string settingValue() const;
    // A UsageError, naming the interface and what is missing, when EtherTalk cannot be opened,
    // or the scenario's file, line and fault when the simulator would refuse it.
    void apply() const;

    static constexpr const char* kVariable = "VIDUR_NETWORK";

private:
    NetworkChoice(Kind kind, std::string argument) : kind_(kind), argument_(std::move(argument)) {}

    Kind kind_;
    std::string argument_;
};

} // namespace vidur::cli
