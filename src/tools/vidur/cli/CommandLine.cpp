// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/CommandLine.h"

#include "tools/vidur/cli/UsageError.h"

#include <algorithm>

namespace vidur::cli {

namespace {

const OptionSpec* findOption(const std::vector<OptionSpec>& options, const std::string& name) {
    const auto found =
        std::find_if(options.begin(), options.end(), [&](const OptionSpec& option) { return option.name == name; });
    return found == options.end() ? nullptr : &*found;
}

// A lone "-" is an argument (it names nothing here, but it is not an option either).
bool looksLikeOption(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

} // namespace

ParsedArguments CommandLine::parse(const std::vector<OptionSpec>& options, const std::vector<std::string>& arguments) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !looksLikeOption(argument)) {
            parsed.addPositional(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h") {
            parsed.setOption("help", {});
            continue;
        }
        if (argument.rfind("--", 0) != 0) throw UsageError("unknown option '" + argument + "'");
        const auto equals = argument.find('=');
        const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionSpec* option = findOption(options, name);
        if (option == nullptr) throw UsageError("unknown option '--" + name + "'");
        if (!option->takesValue()) {
            if (equals != std::string::npos) throw UsageError("option '--" + name + "' takes no value");
            parsed.setOption(name, {});
        } else if (equals != std::string::npos) {
            parsed.setOption(name, argument.substr(equals + 1));
        } else {
            if (i + 1 >= arguments.size())
                throw UsageError("option '--" + name + "' needs a value (" + option->valueName + ")");
            parsed.setOption(name, arguments[++i]);
        }
    }
    return parsed;
}

bool CommandLine::asksForHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (argument == "--help" || argument == "-h") return true;
    }
    return false;
}

} // namespace vidur::cli
