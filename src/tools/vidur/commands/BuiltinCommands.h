// SPDX-License-Identifier: MIT
// Every subcommand of `vidur`. The window subcommands are here too, so help and usage never
// need the windows; what they show is the windows module's (WindowModule).
#pragma once

#include "tools/vidur/cli/CommandRegistry.h"

namespace vidur::cli {

void addBuiltinCommands(CommandRegistry& registry);

} // namespace vidur::cli
