// SPDX-License-Identifier: MIT
// vidur volumes SERVER [--user USER] [--password-file FILE] [--allow-cleartext]: the volumes
// an AppleShare server offers, one a line. SERVER is NAME@ZONE (found by NBP, reached over
// ASP) or afp://[USER@]HOST[:PORT] (DSI on TCP). The password comes from FILE or from the
// terminal with echo off, never from the command line.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class VolumesCommand final : public Command {
public:
    std::string name() const override { return "volumes"; }
    std::string summary() const override { return "list the volumes of an AppleShare server"; }
    std::string synopsis() const override { return "SERVER [--user USER] [--password-file FILE] [--allow-cleartext]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t minPositionals() const override { return 1; }
    std::size_t maxPositionals() const override { return 1; }
    // --network and the settings choose the network of the stack it starts for NAME@ZONE; a
    // mistake there is said then, not before a TCP server is asked.
    bool readsLibrarySettings() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
