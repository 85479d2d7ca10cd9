#include "tools/vidur/WindowCommands.h"

#include "tools/vidur/ChooserCommand.h"
#include "tools/vidur/NetInfoWindowCommand.h"
#include "tools/vidur/StatusWindowCommand.h"

namespace vidur::cli {

void WindowCommands::addTo(CommandRegistry& registry) {
    registry.add(std::make_unique<ChooserCommand>());
    registry.add(std::make_unique<StatusWindowCommand>());
    registry.add(std::make_unique<NetInfoWindowCommand>());
}

} // namespace vidur::cli
