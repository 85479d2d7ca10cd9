// SPDX-License-Identifier: MIT
// The network subcommands of `vidur`. The window subcommands live with the windows and are
// added to the same registry by main (addWindowCommands).
#pragma once

#include "tools/vidur/cli/CommandRegistry.h"

namespace vidur::cli {

void addBuiltinCommands(CommandRegistry& registry);

} // namespace vidur::cli
