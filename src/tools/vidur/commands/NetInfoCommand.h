// SPDX-License-Identifier: MIT
// vidur netinfo --text [--json]: the node's address, zone and cable range, as text. The
// command registered under the name is NetInfoWindowCommand, which shows the sheet unless
// asked for this text.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class NetInfoCommand final : public Command {
public:
    std::string name() const override { return "netinfo"; }
    std::string summary() const override { return "show this node's address, zone and network range"; }
    std::string synopsis() const override { return "[--text] [--json] [--timeout S]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;

    struct Info {
        unsigned network = 0, node = 0, rangeFirst = 0, rangeLast = 0;
        std::string zone; // Mac OS Roman; empty when unknown
        std::string sharedFrom{}; // the node service's socket when the node is shared; empty: own
    };
    static std::string format(const Info& info, bool json);
};

} // namespace vidur::cli
