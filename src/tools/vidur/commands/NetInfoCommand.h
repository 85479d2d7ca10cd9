// SPDX-License-Identifier: MIT
// vidur netinfo --text [--json]: the node's address, zone and cable range. Without --text
// the network information window is shown when one was plugged in (setWindow), so the
// window part of the product adds itself without this command knowing it; until then the
// text is printed.
#pragma once

#include "tools/vidur/cli/Command.h"

#include <functional>

namespace vidur::cli {

class NetInfoCommand final : public Command {
public:
    // Shows the window; returns the exit status.
    using WindowRunner = std::function<int(CommandIo& io)>;

    void setWindow(WindowRunner window) { window_ = std::move(window); }

    std::string name() const override { return "netinfo"; }
    std::string summary() const override { return "show this node's address, zone and network range"; }
    std::string synopsis() const override { return "[--text] [--json] [--timeout S]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;

    struct Info {
        unsigned network = 0, node = 0, rangeFirst = 0, rangeLast = 0;
        std::string zone; // Mac OS Roman; empty when unknown
    };
    static std::string format(const Info& info, bool json);

private:
    WindowRunner window_;
};

} // namespace vidur::cli
