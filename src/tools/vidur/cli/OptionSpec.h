// SPDX-License-Identifier: MIT
// One option a subcommand accepts: "--name" alone, or "--name VALUE" / "--name=VALUE".
#pragma once

#include <string>

namespace vidur::cli {

struct OptionSpec {
    std::string name; // without the dashes
    std::string valueName; // empty for a flag
    std::string help; // one line

    bool takesValue() const { return !valueName.empty(); }
};

} // namespace vidur::cli
