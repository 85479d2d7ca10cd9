// SPDX-License-Identifier: MIT
// PAP status requests through ATALKDispatch (0x0810), polled, and the end request (0x0806)
// that releases them. Both blocks come from the library and stay put until the end request
// has completed, so the library never writes into freed memory.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#include <chrono>
#include <string>

namespace vidur::cli {

class StopSignal;

class PrinterStatusQuery {
public:
    struct Answer {
        int status = 0; // 0, or a negative library status
        std::string text; // Mac OS Roman
        _NBPTuple printer{}; // with the address that answered
    };

    PrinterStatusQuery();
    // Ends a request still out, then frees the blocks.
    ~PrinterStatusQuery();
    PrinterStatusQuery(const PrinterStatusQuery&) = delete;
    PrinterStatusQuery& operator=(const PrinterStatusQuery&) = delete;

    // 0 when the library gave the blocks.
    int allocationStatus() const { return allocationStatus_; }

    // Asks `printer` (by address, else found by name) and waits for the answer, `timeout` at
    // most, less when `stop` is asked for (then the status is kTimedOut).
    Answer ask(const _NBPTuple& printer, std::chrono::milliseconds timeout, const StopSignal* stop);
    // Sends the end request and waits (a few seconds at most) until the library has taken it.
    void end();

private:
    _DispatchBlock* status_ = nullptr;
    _DispatchBlock* end_ = nullptr;
    int allocationStatus_ = 0;
    bool dispatched_ = false;
};

} // namespace vidur::cli
