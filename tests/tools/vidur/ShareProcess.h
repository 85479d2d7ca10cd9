// SPDX-License-Identifier: MIT
// `vidur share` started for a test and waited for until its ready line: the end-to-end tests
// of the share, the mount and the Chooser's AppleShare path all begin so.
#pragma once

#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace vidur::cli::testing {

// The running server; nothing when it did not come up, with `skipped` set when that is for
// want of multicast on loopback (the test should skip), else a failure added.
inline std::unique_ptr<VidurProcess> startShare(const std::vector<std::string>& arguments,
                                                const VidurProcess::Environment& environment,
                                                const std::string& readyLine, std::string& skipped) {
    using namespace std::chrono_literals;
    auto server = std::make_unique<VidurProcess>(arguments, environment);
    if (server->waitForOutput(readyLine, 60s)) return server;
    const ProcessResult ended = server->finish(5s);
    if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
        skipped = "multicast on loopback is not available here: " + ended.err;
    else
        ADD_FAILURE() << "the server did not come up: " << ended.out << ended.err;
    return nullptr;
}

} // namespace vidur::cli::testing
