// SPDX-License-Identifier: MIT
// vidur chooser [--flags N] [--screenshot PATH] [--offscreen]: the Chooser, opened as a host
// opens it (HVRDeviceChooser). Prints the chosen device, or that the dialog was cancelled;
// the exit status is the dialog's end code. Offscreen (asked, or no display) it does what a
// user would: waits for the look-up, chooses the first device and saves a PNG. A chosen
// AppleShare server goes on to its connect window, its volume list and the mounts. The window
// itself is the windows module's (WindowModule): this part only says what the command takes.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class ChooserCommand final : public Command {
public:
    std::string name() const override { return "chooser"; }
    std::string summary() const override { return "choose an AppleTalk device in the Chooser window"; }
    std::string synopsis() const override {
        return "[--flags N] [--mount-dir DIR] [--screenshot PATH] [--offscreen] [--timeout S]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;

    // The dialog's end codes, which are also the exit status (-1 exits as 255).
    static constexpr int kChosen = 1;
    static constexpr int kCancelled = 2;
};

} // namespace vidur::cli
