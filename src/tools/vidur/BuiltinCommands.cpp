#include "tools/vidur/BuiltinCommands.h"

#include "tools/vidur/LookupCommand.h"
#include "tools/vidur/NetInfoCommand.h"
#include "tools/vidur/PapStatusCommand.h"
#include "tools/vidur/commands/PrintCommand.h"
#include "tools/vidur/SimCommand.h"
#include "tools/vidur/ZonesCommand.h"

namespace vidur::cli {

void BuiltinCommands::addTo(CommandRegistry& registry) {
    registry.add(std::make_unique<ZonesCommand>());
    registry.add(std::make_unique<LookupCommand>());
    registry.add(std::make_unique<PapStatusCommand>());
    registry.add(std::make_unique<PrintCommand>());
    registry.add(std::make_unique<NetInfoCommand>());
    registry.add(std::make_unique<SimCommand>());
}

} // namespace vidur::cli
