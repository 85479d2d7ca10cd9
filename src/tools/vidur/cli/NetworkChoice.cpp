// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/NetworkChoice.h"

#include "tools/vidur/cli/UsageError.h"

#include "appletalk/node/ethertalk/EtherTalkLink.h"
#include "appletalk/sim/Scenario.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <fstream>

namespace vidur::cli {

namespace {

bool isIpv4Address(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

} // namespace

NetworkChoice NetworkChoice::parse(const std::string& text) {
    const auto colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const bool hasArgument = colon != std::string::npos;
    const std::string argument = hasArgument ? text.substr(colon + 1) : std::string();
    if (kind == "sim") {
        if (hasArgument && argument.empty()) throw UsageError("--network sim: needs a scenario file after the colon");
        if (!argument.empty() && !std::ifstream(argument))
            throw UsageError("scenario file '" + argument + "' cannot be read");
        return {Kind::Sim, argument};
    }
    if (kind == "ltoudp") {
        if (hasArgument && !isIpv4Address(argument))
            throw UsageError("--network ltoudp: '" + argument + "' is not an IPv4 interface address");
        return {Kind::LToUdp, argument};
    }
    if (kind == "ethertalk") {
        if (argument.empty())
            throw UsageError("--network ethertalk: needs the Ethernet interface, e.g. ethertalk:eth0");
        if (argument.size() >= 16 || argument.find_first_of("/ \t") != std::string::npos)
            throw UsageError("--network ethertalk: '" + argument + "' is not an interface name");
        return {Kind::EtherTalk, argument};
    }
    throw UsageError("--network takes sim[:SCENARIO], ltoudp[:INTERFACE-ADDRESS] or ethertalk:INTERFACE, not '" + text +
                     "'");
}

std::string NetworkChoice::settingValue() const {
    std::string value = kind_ == Kind::Sim ? "sim" : kind_ == Kind::LToUdp ? "ltoudp" : "ethertalk";
    if (!argument_.empty()) value += ":" + argument_;
    return value;
}

void NetworkChoice::apply() const {
    if (kind_ == Kind::Sim && !argument_.empty()) {
        // Read once here, so a scenario the simulator refuses (a fault in the file, a network
        // asked to hold more than it can) is said plainly, not as a network that could not start.
        appletalk::sim::ScenarioError error;
        if (!appletalk::sim::Scenario::load(argument_, error)) throw UsageError("scenario " + error.describe());
    }
    if (kind_ == Kind::EtherTalk) {
        // Opened once here, so a missing interface or capability is said plainly, not as a
        // network that could not start.
        std::string error;
        if (!appletalk::EtherTalkLink::open(argument_, error)) throw UsageError(error);
    }
    ::setenv(kVariable, settingValue().c_str(), 1);
}

} // namespace vidur::cli
