// SPDX-License-Identifier: MIT
// One print job from a command (`vidur print`, the CUPS backend): the AppleTalk stack as the
// settings choose it, the printer found by name with NBP (or taken at its address), the
// job's bytes streamed from a file descriptor over PAP, and what happens reported to an
// observer on the caller's thread. The stack runs on its own thread; the caller's thread
// reads the input and waits for events, so a slow input never stops the connection's tickles.
#pragma once

#include "appletalk/print/PrintJob.h"
#include "appletalk/print/PrintOutcome.h"
#include "appletalk/protocols/ddp/DdpAddress.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/StackSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::print {

// What the observer hears, always on the thread that called run().
class PrintObserver {
public:
    virtual ~PrintObserver() = default;
    virtual void lookingUp(const std::string& /*utf8Name*/) {}
    virtual void found(appletalk::DdpAddress /*printer*/) {}
    virtual void busy(const std::string& /*utf8Status*/) {}
    virtual void opened() {}
    // What the printer wrote back, in pieces as they came (bytes as sent: usually ASCII), the
    // first kShownMessages bytes of the job.
    virtual void message(std::span<const std::uint8_t> /*bytes*/) {}
    // The printer waits for a person ("%%[ PrinterError: paper out ]%%"): not a failure, the job
    // goes on when it does (progress, or the end of the job, tells so).
    virtual void printerError(const std::string& /*utf8Text*/) {}
    // Once, at the end of a job: the printer's messages past kShownMessages that were dropped.
    virtual void messagesDropped(std::uint64_t /*bytes*/) {}
    virtual void progress(std::uint64_t /*bytesTaken*/, std::uint64_t /*bytesRead*/, bool /*inputDone*/) {}
    // Every ten seconds without progress: what the job waits for, and how long it has.
    virtual void waiting(PrintWait /*what*/, std::chrono::seconds /*without*/) {}
};

// PAP's own connection timeout.
inline constexpr std::chrono::seconds kDefaultStallLimit{120};

struct PrintRequest {
    std::optional<appletalk::nbp::NbpName> name; // Mac OS Roman; "*" zone: this node's
    std::optional<appletalk::DdpAddress> address; // tried when no name is given
    int input = 0; // file descriptor of the job
    std::vector<std::uint8_t> prefix; // bytes already read from it, sent first
    // No progress for this long ends the job (StillBusy, Stalled, Unconfirmed); zero: never.
    std::chrono::seconds stallLimit = kDefaultStallLimit;
    // Polled: true ends the job (CloseConn) and run() returns Interrupted.
    std::function<bool()> stopRequested;
    int stopHandle = -1; // readable when a stop is requested, to wake the wait; -1: none
};

struct PrintResult {
    PrintOutcome outcome = PrintOutcome::Done;
    std::string detail; // UTF-8, for the user
    std::uint64_t bytesTaken = 0;
};

class PrintSession {
public:
    explicit PrintSession(appletalk::runtime::StackSettings settings);
    PrintResult run(const PrintRequest& request, PrintObserver& observer);

private:
    appletalk::runtime::StackSettings settings_;
};

} // namespace appletalk::print
