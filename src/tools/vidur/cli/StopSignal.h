// SPDX-License-Identifier: MIT
// Ctrl-C (SIGINT) and SIGTERM as a request to stop, for commands that run until told to.
// While an instance lives the signals only set a flag and write to a pipe, so a loop can
// check requested() or wait on waitHandle(); the earlier handlers come back afterwards.
#pragma once

#include <csignal>

namespace vidur::cli {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    static bool requested();
    // Readable once a stop was requested.
    int waitHandle() const;
    // Sleeps up to `milliseconds`, less when a stop is requested; true when it was.
    bool waitFor(int milliseconds) const;

    // As if the signal had come: tests use it, and so can code that wants the same exit.
    static void request();

private:
    struct sigaction oldInterrupt_ {};
    struct sigaction oldTerminate_ {};
};

} // namespace vidur::cli
