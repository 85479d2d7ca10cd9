// SPDX-License-Identifier: MIT
// The network subcommands of `vidur`. The window subcommands live with the windows and are
// added to the same registry by main (CommandRegistry::add; NetInfoCommand::setWindow).
#pragma once

#include "tools/vidur/cli/CommandRegistry.h"

namespace vidur::cli {

class BuiltinCommands {
public:
    static void addTo(CommandRegistry& registry);
};

} // namespace vidur::cli
