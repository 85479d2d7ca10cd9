// SPDX-License-Identifier: MIT
// The window subcommands: chooser, status and netinfo (the sheet; its text form stays behind
// --text). They open the library's windows through its entry points, as a host does.
#pragma once

#include "tools/vidur/cli/CommandRegistry.h"

namespace vidur::cli {

// Adds them; netinfo replaces the text-only command of the same name.
void addWindowCommands(CommandRegistry& registry);

} // namespace vidur::cli
