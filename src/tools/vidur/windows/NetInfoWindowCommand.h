// SPDX-License-Identifier: MIT
// vidur netinfo: the network information sheet, opened as a host opens it (HVRNetworkInfo);
// --text and --json print the information instead, as the text command does. Offscreen it
// prints the three texts of the General page and saves a PNG of the sheet.
#pragma once

#include "tools/vidur/commands/NetInfoCommand.h"

namespace vidur::cli {

class NetInfoWindowCommand final : public Command {
public:
    std::string name() const override { return "netinfo"; }
    std::string summary() const override { return text_.summary(); }
    std::string synopsis() const override {
        return "[--text] [--json] [--screenshot PATH] [--offscreen] [--timeout S]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    int run(const ParsedArguments& arguments, CommandIo& io) override;

private:
    int runWindow(const ParsedArguments& arguments, CommandIo& io);

    NetInfoCommand text_; // the text form, for --text and --json
};

} // namespace vidur::cli
