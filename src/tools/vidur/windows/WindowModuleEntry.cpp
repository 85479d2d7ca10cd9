// SPDX-License-Identifier: MIT
// The windows module's two entry points (commands/WindowModuleEntry.h): its release, and the
// window commands by name.
#include "tools/vidur/commands/WindowModuleEntry.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/Version.h"
#include "tools/vidur/windows/ChooserWindow.h"
#include "tools/vidur/windows/NetInfoWindow.h"
#include "tools/vidur/windows/StatusWindow.h"

#include <string_view>

using namespace vidur::cli;

extern "C" __attribute__((visibility("default"))) const char* vidur_windows_release() { return kVersion; }

extern "C" __attribute__((visibility("default"))) int vidur_windows_run(const char* command,
                                                                        const ParsedArguments* arguments,
                                                                        CommandIo* io) {
    const std::string_view name = command;
    if (name == "chooser") return ChooserWindow::run(*arguments, *io);
    if (name == "status") return StatusWindow::run(*arguments, *io);
    if (name == "netinfo") return NetInfoWindow::run(*arguments, *io);
    io->err << "vidur: the windows module has no window '" << name << "'\n";
    return kExitError;
}
