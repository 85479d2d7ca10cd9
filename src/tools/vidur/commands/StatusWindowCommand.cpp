// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/StatusWindowCommand.h"

#include "tools/vidur/commands/WindowModule.h"

namespace vidur::cli {

std::string StatusWindowCommand::details() const {
    return "The printers are those chosen in the Chooser and the library's default printer. Offscreen\n"
           "(--offscreen, or no display) the window's status is printed once the selected printer\n"
           "has answered or failed, and a PNG is saved (vidur-status.png unless --screenshot says).\n"
           "Exit status: 0 the printer answered, 1 no printer to ask or the printer was not found,\n"
           "2 no answer in time, bad usage or no window.\n";
}

std::vector<OptionSpec> StatusWindowCommand::options() const { return WindowModule::options(); }

int StatusWindowCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    return WindowModule::run(name(), arguments, io);
}

} // namespace vidur::cli
