// SPDX-License-Identifier: MIT
// The command's windows live in a module of their own, vidur-windows.so, which links the
// window library and Qt. It is loaded the first time a window is to be shown, so the commands
// that need none (the servers among them) never load Qt, and run where it is not installed.
//
// The module is looked for, in this order: VIDUR_WINDOWS_MODULE (ignored in a program given
// a capability), beside the program (the build tree), in the library folder beside the
// program's folder (an installed tree, wherever it was put), and where the build installs it.
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/OptionSpec.h"
#include "tools/vidur/cli/ParsedArguments.h"

#include <string>
#include <vector>

namespace vidur::cli {

class WindowModule {
public:
    // The options every window command takes.
    static std::vector<OptionSpec> options();
    // True when the module is loaded (loading it on the first call).
    static bool available();
    // Runs the window command `command`. When the module cannot be loaded, says why on io.err
    // and returns kExitError.
    static int run(const std::string& command, const ParsedArguments& arguments, CommandIo& io);
};

} // namespace vidur::cli
