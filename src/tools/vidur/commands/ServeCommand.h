// SPDX-License-Identifier: MIT
// vidur serve [QUEUE[=NAME]]... [--type TYPE]: CUPS queues published on AppleTalk as
// printers, in the foreground until Ctrl-C or SIGTERM, which unregisters the names and closes
// the connections. Without QUEUE, every shared queue of the CUPS server, followed as queues
// come and go.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class ServeCommand final : public Command {
public:
    std::string name() const override { return "serve"; }
    std::string summary() const override { return "share CUPS printers with the Macs on AppleTalk"; }
    std::string synopsis() const override { return "[QUEUE[=NAME]]... [--type TYPE]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t maxPositionals() const override { return 1000; }
    // A server reads the settings of its own context and says itself what is wrong there.
    bool readsLibrarySettings() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
