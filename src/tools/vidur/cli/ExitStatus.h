// SPDX-License-Identifier: MIT
// The exit statuses every subcommand keeps to, so scripts can tell the cases apart.
#pragma once

namespace vidur::cli {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitNothingFound = 1,
    kExitError = 2, // bad usage or a network error
};

} // namespace vidur::cli
