// SPDX-License-Identifier: MIT
// Where a subcommand writes: data on `out`, messages on `err`. Tests pass string streams.
#pragma once

#include <ostream>

namespace vidur::cli {

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

} // namespace vidur::cli
