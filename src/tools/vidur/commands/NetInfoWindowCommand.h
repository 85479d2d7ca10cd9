// SPDX-License-Identifier: MIT
// vidur netinfo: the network information sheet, opened as a host opens it (HVRNetworkInfo);
// --text and --json print the information instead, as the text command does, and so does a
// vidur whose windows are not installed. Offscreen the sheet's General page's three texts are
// printed and a PNG of the sheet saved. The sheet itself is the windows module's
// (WindowModule), loaded only when it is to be shown.
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
    NetInfoCommand text_; // the text form, for --text and --json
};

} // namespace vidur::cli
