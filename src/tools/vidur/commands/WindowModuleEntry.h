// SPDX-License-Identifier: MIT
// What the command and its windows module (vidur-windows.so) agree on: two C functions,
// looked up by name after the module is loaded. The two share C++ types (the parsed command
// line, the output streams), so a module runs only under a command of its own release.
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

namespace vidur::cli {

inline constexpr const char* kWindowModuleFile = "vidur-windows.so";
inline constexpr const char* kWindowModuleReleaseFunction = "vidur_windows_release";
inline constexpr const char* kWindowModuleRunFunction = "vidur_windows_run";

using WindowModuleRelease = const char* (*)();
// Runs the window command of that name; returns its exit status.
using WindowModuleRun = int (*)(const char* command, const ParsedArguments* arguments, CommandIo* io);

} // namespace vidur::cli
