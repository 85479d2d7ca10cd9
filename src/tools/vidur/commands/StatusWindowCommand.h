// SPDX-License-Identifier: MIT
// vidur status [--screenshot PATH] [--offscreen]: the printer status window, opened as a
// host opens it (HVRPrinterStatus): the recent printers and the default printer to pick
// from, and the selected printer's status as it changes. Offscreen it waits until the
// selected printer has answered or failed, prints what the window shows and saves a PNG.
// The window itself is the windows module's (WindowModule).
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class StatusWindowCommand final : public Command {
public:
    std::string name() const override { return "status"; }
    std::string summary() const override { return "show a recent printer's status in the printer status window"; }
    std::string synopsis() const override { return "[--screenshot PATH] [--offscreen] [--timeout S]"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
