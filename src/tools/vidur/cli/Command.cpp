// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/Command.h"

#include <algorithm>
#include <sstream>

namespace vidur::cli {

std::vector<OptionSpec> Command::allOptions() const {
    std::vector<OptionSpec> all = options();
    if (usesLibraryNetwork())
        all.push_back(
            {"network", "NETWORK", "sim[:SCENARIO], ltoudp[:INTERFACE-ADDRESS] or ethertalk:INTERFACE for this run"});
    all.push_back({"help", {}, "show this help"});
    return all;
}

std::string Command::usageLine() const {
    std::string line = "usage: vidur " + name();
    if (const std::string rest = synopsis(); !rest.empty()) line += " " + rest;
    return line;
}

std::string Command::helpText() const {
    std::ostringstream text;
    text << usageLine() << "\n\n" << summary() << "\n\noptions:\n";
    const auto options = allOptions();
    std::size_t width = 0;
    auto label = [](const OptionSpec& option) {
        return "--" + option.name + (option.takesValue() ? " " + option.valueName : std::string());
    };
    for (const auto& option : options) width = std::max(width, label(option).size());
    for (const auto& option : options) {
        const std::string left = label(option);
        text << "  " << left << std::string(width - left.size() + 2, ' ') << option.help << "\n";
    }
    if (const std::string more = details(); !more.empty()) text << "\n" << more;
    return text.str();
}

} // namespace vidur::cli
