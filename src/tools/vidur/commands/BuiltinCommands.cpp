// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/BuiltinCommands.h"

#include "tools/vidur/commands/ChooserCommand.h"
#include "tools/vidur/commands/LookupCommand.h"
#include "tools/vidur/commands/NetInfoWindowCommand.h"
#include "tools/vidur/commands/NodeCommand.h"
#include "tools/vidur/commands/PapStatusCommand.h"
#include "tools/vidur/commands/PasswdCommand.h"
#include "tools/vidur/commands/PrintCommand.h"
#include "tools/vidur/commands/MountCommand.h"
#include "tools/vidur/commands/ShareCommand.h"
#include "tools/vidur/commands/SimCommand.h"
#include "tools/vidur/commands/StatusWindowCommand.h"
#include "tools/vidur/commands/UnmountCommand.h"
#include "tools/vidur/commands/VolumesCommand.h"
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
    registry.add(std::make_unique<NetInfoWindowCommand>());
    registry.add(std::make_unique<SimCommand>());
    registry.add(std::make_unique<NodeCommand>());
#ifdef VIDUR_WITH_SERVE
    registry.add(std::make_unique<ServeCommand>());
#endif
    registry.add(std::make_unique<PasswdCommand>());
    registry.add(std::make_unique<ShareCommand>());
    registry.add(std::make_unique<VolumesCommand>());
    registry.add(std::make_unique<MountCommand>());
    registry.add(std::make_unique<UnmountCommand>());
    // The windows are the windows module's, loaded only when one is shown.
    registry.add(std::make_unique<ChooserCommand>());
    registry.add(std::make_unique<StatusWindowCommand>());
}

} // namespace vidur::cli
