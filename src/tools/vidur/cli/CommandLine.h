// SPDX-License-Identifier: MIT
// Splits a subcommand's arguments into options and positional arguments, the way users of
// command-line tools expect: "--name VALUE" or "--name=VALUE", options anywhere, "--" ends
// the options, "-h" is "--help". Anything not declared is a UsageError.
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
