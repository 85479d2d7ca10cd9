// SPDX-License-Identifier: MIT
// vidur share [VOLUME=DIR]... [--name SERVER] [--guest] [--read-only] [--users FILE]
// [--cleartext] [--tcp [ADDRESS:]PORT]: folders shared with the Macs as AppleShare volumes,
// on AppleTalk (ASP) and, with --tcp, on TCP (DSI), in the foreground until Ctrl-C or SIGTERM,
// which tells every client the server is going down, closes the sessions and unregisters the
// name.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class ShareCommand final : public Command {
public:
    std::string name() const override { return "share"; }
    std::string summary() const override { return "share folders with the Macs as AppleShare volumes"; }
    std::string synopsis() const override {
        return "[VOLUME=DIR[,read-only]]... [--name SERVER] [--guest] [--read-only] [--users FILE] [--cleartext] "
               "[--tcp [ADDRESS:]PORT]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t maxPositionals() const override { return 1000; }
    // A server reads the settings of its own context and says itself what is wrong there.
    bool readsLibrarySettings() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
