#include "tools/vidur/cli/NetworkChoice.h"

#include "tools/vidur/cli/UsageError.h"

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
    throw UsageError("--network takes sim[:SCENARIO] or ltoudp[:INTERFACE-ADDRESS], not '" + text + "'");
}

std::string NetworkChoice::settingValue() const {
    std::string value = kind_ == Kind::Sim ? "sim" : "ltoudp";
    if (!argument_.empty()) value += ":" + argument_;
    return value;
}

void NetworkChoice::apply() const { ::setenv(kVariable, settingValue().c_str(), 1); }

} // namespace vidur::cli
