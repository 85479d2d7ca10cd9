// SPDX-License-Identifier: MIT
// vidur zones [--mine] [--local] [--json] [--timeout S]: the zones of the internet, sorted
// under the NBP case fold; the node's own zone; or the zones of its cable.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class ZonesCommand final : public Command {
public:
    std::string name() const override { return "zones"; }
    std::string summary() const override { return "list the zones of the AppleTalk internet"; }
    std::string synopsis() const override { return "[--mine | --local] [--json] [--timeout S]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;

    // Sorted by the NBP case fold, duplicates under the fold dropped (a router may repeat
    // zones while they change). Mac OS Roman in and out.
    static std::vector<std::string> sortedZones(std::vector<std::string> zones);
    static std::string format(const std::vector<std::string>& zones, bool json);
};

} // namespace vidur::cli
