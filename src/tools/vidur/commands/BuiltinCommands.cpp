// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/BuiltinCommands.h"

#include "tools/vidur/commands/LookupCommand.h"
#include "tools/vidur/commands/NetInfoCommand.h"
#include "tools/vidur/commands/PapStatusCommand.h"
#include "tools/vidur/commands/PrintCommand.h"
#include "tools/vidur/commands/SimCommand.h"
#ifdef VIDUR_WITH_SERVE
#include "tools/vidur/commands/ServeCommand.h"
#endif
#include "tools/vidur/commands/ZonesCommand.h"

namespace vidur::cli {

void addBuiltinCommands(CommandRegistry& registry) {
    registry.add(std::make_unique<ZonesCommand>());
    registry.add(std::make_unique<LookupCommand>());
    registry.add(std::make_unique<PapStatusCommand>());
    registry.add(std::make_unique<PrintCommand>());
    registry.add(std::make_unique<NetInfoCommand>());
    registry.add(std::make_unique<SimCommand>());
#ifdef VIDUR_WITH_SERVE
    registry.add(std::make_unique<ServeCommand>());
#endif
}

} // namespace vidur::cli
