// SPDX-License-Identifier: MIT
// Splits a subcommand's arguments into options and positional arguments, the way users of
// command-line tools expect: "--name VALUE" or "--name=VALUE", options anywhere, "--" ends
// the options, "-h" is "--help". Anything not declared is a UsageError.
//
// Kept here rather than on a general option library: the ones at hand differ where users
// notice. "--max=" there swallows the next argument as the value, "-5" becomes an argument
// and "-hx" asks for help, "--json=true" passes as a flag, the first problem is not always
// the one reported, and their messages would have to be read back to be worded as ours.
#pragma once

#include "tools/vidur/cli/OptionSpec.h"
#include "tools/vidur/cli/ParsedArguments.h"

#include <string>
#include <vector>

namespace vidur::cli {

class CommandLine {
public:
    static ParsedArguments parse(const std::vector<OptionSpec>& options, const std::vector<std::string>& arguments);

    // True when "--help" or "-h" comes before any "--": help is shown even if the rest is wrong.
    static bool asksForHelp(const std::vector<std::string>& arguments);
};

} // namespace vidur::cli
