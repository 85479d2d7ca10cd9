// SPDX-License-Identifier: MIT
// vidur passwd [--file FILE] USER: sets one user's password in the AppleShare server's users
// file. The password comes from the terminal with echo off (asked twice), or as one line of
// standard input when that is not a terminal; never from the command line, where any user of
// the machine could read it.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class PasswdCommand final : public Command {
public:
    std::string name() const override { return "passwd"; }
    std::string summary() const override { return "set a user's password for the AppleShare server"; }
    std::string synopsis() const override { return "[--file FILE] USER"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t minPositionals() const override { return 1; }
    std::size_t maxPositionals() const override { return 1; }
    bool usesLibraryNetwork() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
