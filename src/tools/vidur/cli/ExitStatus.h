// SPDX-License-Identifier: MIT
// The exit statuses every subcommand keeps to, so scripts can tell the cases apart.
#pragma once

namespace vidur::cli {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitNothingFound = 1,
    kExitError = 2, // bad usage, a mistake in the settings or a network error
    kExitIncomplete = 3, // an answer came, but frames were lost on the way (lookup)
    kExitInterrupted = 130, // stopped by Ctrl-C, as shells report 128 + SIGINT
};

} // namespace vidur::cli
