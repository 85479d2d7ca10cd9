// SPDX-License-Identifier: MIT
// vidur print [FILE...] [--to NAME[:TYPE][@ZONE] | NET.NODE:SOCKET] [--raw]: PostScript files
// (standard input when none) to an AppleTalk printer over PAP, the default printer unless
// --to names one; the printer's messages on standard error as they come.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class PrintCommand final : public Command {
public:
    std::string name() const override { return "print"; }
    std::string summary() const override { return "print PostScript files on an AppleTalk printer"; }
    std::string synopsis() const override { return "[FILE...] [--to NAME[:TYPE][@ZONE] | NET.NODE:SOCKET] [--raw]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t maxPositionals() const override { return 1000; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
