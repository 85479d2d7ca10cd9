// SPDX-License-Identifier: MIT
// vidur: AppleTalk at the terminal. Every subcommand is in the registry; see `vidur --help`.
#include "tools/vidur/cli/CommandRegistry.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibrarySettingsCheck.h"
#include "tools/vidur/commands/BuiltinCommands.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace vidur::cli;
    CommandRegistry registry;
    registry.setSettingsCheck(&LibrarySettingsCheck::problem);
    addBuiltinCommands(registry);
    CommandIo io{std::cout, std::cerr};
    try {
        return registry.run(std::vector<std::string>(argv + 1, argv + argc), io);
    } catch (const std::exception& error) {
        std::cerr << "vidur: " << error.what() << "\n";
        return kExitError;
    }
}
