// SPDX-License-Identifier: MIT
// In the windows module: the network information sheet (HVRNetworkInfo), as `vidur netinfo`
// says (NetInfoWindowCommand).
#pragma once

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

namespace vidur::cli {

class NetInfoWindow {
public:
    // Returns the exit status.
    static int run(const ParsedArguments& arguments, CommandIo& io);
};

} // namespace vidur::cli
