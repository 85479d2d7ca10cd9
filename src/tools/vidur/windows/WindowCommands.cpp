// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/WindowCommands.h"

#include "tools/vidur/windows/ChooserCommand.h"
#include "tools/vidur/windows/NetInfoWindowCommand.h"
#include "tools/vidur/windows/StatusWindowCommand.h"

namespace vidur::cli {

void addWindowCommands(CommandRegistry& registry) {
    registry.add(std::make_unique<ChooserCommand>());
    registry.add(std::make_unique<StatusWindowCommand>());
    registry.add(std::make_unique<NetInfoWindowCommand>());
}

} // namespace vidur::cli
