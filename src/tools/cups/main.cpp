// SPDX-License-Identifier: MIT
// The CUPS backend "pap": AppleTalk printers for CUPS. See PapBackend.h.
#include "tools/cups/PapBackend.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // CUPS closes the pipe of a backend it no longer listens to; the job still ends cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    vidur::cups::PapBackend backend;
    return backend.run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
