// SPDX-License-Identifier: MIT
// vidur lookup [OBJECT][:TYPE][@ZONE] [--max N] [--timeout S] [--json]: the devices that
// answer an NBP look-up, one a line in aligned columns (name, type, zone, NET.NODE:SOCKET).
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class LookupCommand final : public Command {
public:
    static constexpr long kDefaultMax = 1024;

    std::string name() const override { return "lookup"; }
    std::string summary() const override { return "find devices by name, type and zone (NBP look-up)"; }
    std::string synopsis() const override { return "[OBJECT][:TYPE][@ZONE] [--max N] [--timeout S] [--json]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t maxPositionals() const override { return 1; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
