// SPDX-License-Identifier: MIT
// Reading a password from the terminal with echo off, or as a line of standard input, for
// the commands that take one and never from their command line.
#pragma once

#include "tools/vidur/cli/CommandIo.h"

#include <array>
#include <csignal>
#include <optional>
#include <string>

namespace vidur::cli {

// One line from standard input, without its end; nothing at end of file before any byte.
std::optional<std::string> readStandardInputLine();

// Echo is off while it lives, and back on whatever happens (Ctrl-C included).
class EchoOff {
public:
    EchoOff();
    ~EchoOff();
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<sighandler_t, 3> previous_{SIG_ERR, SIG_ERR, SIG_ERR};
    bool active_ = false;
};

// `prompt` on standard error, one line typed with echo off.
std::optional<std::string> askWithoutEcho(const std::string& prompt, CommandIo& io);

} // namespace vidur::cli
