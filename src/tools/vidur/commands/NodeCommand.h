// SPDX-License-Identifier: MIT
// vidur node [--socket PATH]: this host's AppleTalk node as a service. It acquires one address
// and keeps it, follows the router, zone and range, and serves every program of the host
// through a Unix socket until Ctrl-C or SIGTERM.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class NodeCommand final : public Command {
public:
    std::string name() const override { return "node"; }
    std::string summary() const override { return "run this host's AppleTalk node for every program to share"; }
    std::string synopsis() const override { return "[--socket PATH]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    // A service reads the settings of its own context and says itself what is wrong there.
    bool readsLibrarySettings() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
