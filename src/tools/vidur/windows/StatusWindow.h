// SPDX-License-Identifier: MIT
// In the windows module: the printer status window (HVRPrinterStatus), as `vidur status` says (StatusWindowCommand).
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

namespace vidur::cli {

class StatusWindow {
public:
    // Returns the exit status.
    static int run(const ParsedArguments& arguments, CommandIo& io);
};

} // namespace vidur::cli
