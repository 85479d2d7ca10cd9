// SPDX-License-Identifier: MIT
// vidur unmount DIR: ends a `vidur mount` on DIR through fusermount3 -u, which the command
// becomes (its message and status are the answer). A folder that is not one of our mounts
// is refused with a sentence.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class UnmountCommand final : public Command {
public:
    std::string name() const override { return "unmount"; }
    std::string summary() const override { return "unmount a volume mounted with vidur mount"; }
    std::string synopsis() const override { return "DIR"; }
    std::string details() const override;
    std::vector<OptionSpec> options() const override { return {}; }
    std::size_t minPositionals() const override { return 1; }
    std::size_t maxPositionals() const override { return 1; }
    bool usesLibraryNetwork() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
