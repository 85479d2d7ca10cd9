// SPDX-License-Identifier: MIT
// In the windows module: the Chooser (HVRDeviceChooser), driven and reported as `vidur
// chooser` says (ChooserCommand).
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

namespace vidur::cli {

class ChooserWindow {
public:
    // Returns the exit status.
    static int run(const ParsedArguments& arguments, CommandIo& io);
};

} // namespace vidur::cli
