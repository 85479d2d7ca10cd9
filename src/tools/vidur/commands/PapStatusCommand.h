// SPDX-License-Identifier: MIT
// vidur papstatus NAME[:TYPE][@ZONE] | NET.NODE:SOCKET [--watch] [--json] [--timeout S]:
// a printer's PAP status text, once, or (with --watch) every time it changes until Ctrl-C.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class PapStatusCommand final : public Command {
public:
    std::string name() const override { return "papstatus"; }
    std::string summary() const override { return "show a printer's status text"; }
    std::string synopsis() const override {
        return "NAME[:TYPE][@ZONE] | NET.NODE:SOCKET [--watch] [--json] [--timeout S]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t minPositionals() const override { return 1; }
    std::size_t maxPositionals() const override { return 1; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
