// SPDX-License-Identifier: MIT
// Frames the library's link loses while a command waits for answers. A burst of replies (a
// zone of a thousand devices answering one look-up) overflows a receive buffer the kernel
// kept small, and the list then comes back short with nothing said. Made at the start, it
// says so when the kernel granted less buffer than asked, with the setting that fixes it;
// lost() at the end tells what went missing in between.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace vidur::cli {

class FrameLossWatch {
public:
    // Starts the library's stack, as its first look-up would. `prefix` begins each line
    // ("vidur lookup: ").
    FrameLossWatch(std::string prefix, std::ostream& err);

    // Frames lost since the start; when there were any, says so on the error stream.
    std::uint64_t lost();

private:
    std::string prefix_;
    std::ostream& err_;
    std::optional<std::uint64_t> droppedAtStart_; // nothing: no link to watch
};

} // namespace vidur::cli
