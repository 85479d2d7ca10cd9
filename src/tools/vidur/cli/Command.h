// SPDX-License-Identifier: MIT
// One subcommand of `vidur`. Each says what it accepts; the registry parses the command line
// against that, handles --help and --network, and runs it.
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/OptionSpec.h"
#include "tools/vidur/cli/ParsedArguments.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vidur::cli {

class Command {
public:
    virtual ~Command() = default;

    virtual std::string name() const = 0;
    // One line for `vidur --help`.
    virtual std::string summary() const = 0;
    // What follows the name in the usage line, e.g. "[OBJECT][:TYPE][@ZONE] [--max N]".
    virtual std::string synopsis() const = 0;
    // A few lines after the options in --help; empty for none.
    virtual std::string details() const { return {}; }
    // The subcommand's own options; --help (and --network, see below) come on top.
    virtual std::vector<OptionSpec> options() const = 0;
    virtual std::size_t minPositionals() const { return 0; }
    virtual std::size_t maxPositionals() const { return 0; }
    // True when the command works on the network the library chooses, so --network applies.
    virtual bool usesLibraryNetwork() const { return true; }
    // True when the library's settings (AppleTalk.INI, VIDUR_NETWORK) choose that network, so
    // a mistake in them ends the command before it starts (CommandRegistry::setSettingsCheck).
    virtual bool readsLibrarySettings() const { return usesLibraryNetwork(); }

    // Runs with arguments already checked against options() and the positional counts.
    // Returns an ExitStatus; a UsageError thrown from here is reported as bad usage.
    virtual int run(const ParsedArguments& arguments, CommandIo& io) = 0;

    // Every option the parser accepts for this command.
    std::vector<OptionSpec> allOptions() const;
    std::string usageLine() const;
    std::string helpText() const;
};

} // namespace vidur::cli
