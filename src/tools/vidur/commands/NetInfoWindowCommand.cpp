// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/NetInfoWindowCommand.h"

#include "tools/vidur/commands/WindowModule.h"

namespace vidur::cli {

std::string NetInfoWindowCommand::details() const {
    return text_.details() +
           "Without --text or --json the network information sheet is shown. Offscreen (--offscreen,\n"
           "or no display) the General page's three texts are printed and a PNG of the sheet is\n"
           "saved (vidur-netinfo.png unless --screenshot says).\n";
}

std::vector<OptionSpec> NetInfoWindowCommand::options() const {
    std::vector<OptionSpec> all;
    for (OptionSpec& option : text_.options())
        if (option.name != "timeout") all.push_back(std::move(option));
    for (OptionSpec& option : WindowModule::options()) all.push_back(std::move(option));
    return all;
}

int NetInfoWindowCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    // The text needs no window: a server without them prints it, and never loads Qt for it.
    if (arguments.has("text") || arguments.has("json") || !WindowModule::available()) return text_.run(arguments, io);
    return WindowModule::run(name(), arguments, io);
}

} // namespace vidur::cli
