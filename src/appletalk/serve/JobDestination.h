// SPDX-License-Identifier: MIT
// Where a published printer's print jobs go: a CUPS queue in the server, a recorder in tests.
// A job is opened once its header has been read, its bytes are written as they arrive and
// finish() follows the last; the destination reports how much it has taken and, once, whether
// it took the whole job. Everything is called on the node's thread, and every event comes back
// on it, never from inside the call that caused it.
#pragma once

#include "appletalk/protocols/ddp/DdpAddress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appletalk::serve {

// What a job says of itself in its header comments; Mac OS Roman, empty when it says nothing.
struct JobTicket {
    std::string title; // %%Title:
    std::string user; // %%For:
    DdpAddress workstation;
};

struct JobReport {
    bool accepted = false; // the destination took every byte
    std::string message; // Mac OS Roman, for the workstation: where the job went, or what failed
};

struct JobSinkEvents {
    std::function<void(std::uint64_t bytesTaken)> taken; // progress, for flow control
    // A condition the workstation should hear of while the job goes on (the queue stopped).
    std::function<void(std::string message)> notice;
    std::function<void(JobReport report)> finished; // once; the last event
};

class JobSink {
public:
    // Before finished(): the job is cancelled and never printed, and no event follows.
    virtual ~JobSink() = default;
    virtual void write(std::vector<std::uint8_t> bytes) = 0;
    // No more bytes; finished() follows.
    virtual void finish() = 0;
};

class JobDestination {
public:
    virtual ~JobDestination() = default;
    virtual std::unique_ptr<JobSink> open(const JobTicket& ticket, JobSinkEvents events) = 0;
};

} // namespace appletalk::serve
