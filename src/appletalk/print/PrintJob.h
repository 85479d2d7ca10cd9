// SPDX-License-Identifier: MIT
// One print job to a printer found beforehand: the PAP connection opened (a busy printer asked
// again until it takes the job), the job's bytes written as the caller reads them, the
// printer's messages heard, and how it ended as a PrintOutcome.
//
// A printer is never waited for without end: every ten seconds without progress (the printer
// opens the connection, takes more of the job, or takes its end) the caller hears what the
// job waits for, and after the stall limit the job ends: StillBusy, Stalled, or Unconfirmed
// when the printer took the whole job but never said it was done. What the printer says is no
// progress, nor a SendData that takes nothing new: a printer that talks without end, or asks
// for ever after the job's end, cannot keep the job alive.
//
// The first 64 KiB of the printer's messages are passed on, the rest counted and dropped, so a
// printer that talks without end cannot flood the caller's terminal or log. A job fails on
// "%%[ Error: ... ]%%" or "%%[ Flushing: ... ]%%" only; a PrinterError is passed on as the
// printer's state and the job goes on.
//
// Runs on the thread that polls the node, on the node's clock, so tests drive it on virtual
// time.
#pragma once

#include "appletalk/print/BackChannelWatch.h"
#include "appletalk/print/PrintOutcome.h"
#include "appletalk/services/pap/PapClient.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace appletalk::print {

// What a job without progress waits for.
enum class PrintWait {
    Answer, // OpenConn has not been answered
    Busy, // the printer is busy with another job
    Reading, // the printer takes none of the job
    Finishing, // the printer has the whole job but has not said it is done
};

struct PrintJobOptions {
    PapClientOptions pap;
    // No progress for this long ends the job; zero: never. PAP's own connection timeout.
    Duration stallLimit = PapConnectionOptions{}.connectionTimeout;
    Duration noticeInterval = std::chrono::seconds(10);
};

struct PrintJobEvents {
    std::function<void(const std::string& status)> busy; // Mac OS Roman, at each busy answer
    std::function<void()> opened;
    std::function<void(std::span<const std::uint8_t>)> message; // the printer's words, as sent, to kShownMessages
    // "%%[ PrinterError: TEXT ]%%" (Mac OS Roman), when it differs from the last since progress.
    std::function<void(const std::string& text)> printerError;
    std::function<void(std::uint64_t taken)> drained; // the printer took more of the job, or its end
    std::function<void(PrintWait what, Duration without)> waiting; // every notice interval
    std::function<void(std::uint64_t bytes)> messagesDropped; // once, before finished, when any were
    std::function<void(PrintOutcome, std::uint64_t taken)> finished; // once; the last event
};

// The printer's messages passed on per job: a page of text, never its output without end.
inline constexpr std::uint64_t kShownMessages = 64 * 1024;

class PrintJob {
public:
    explicit PrintJob(Node& node, PrintJobOptions options = {});
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // False when no sockets could be opened for the connection.
    bool open(DdpAddress printer, PrintJobEvents events);
    // The job's bytes, before or after the connection opens; finish() after the last.
    void write(std::span<const std::uint8_t> bytes);
    void finish();
    // Ends the job; it finishes as `outcome` (Interrupted, InputError).
    void cancel(PrintOutcome outcome);

    std::uint64_t bytesTaken() const { return client_.bytesSent(); }
    PrintWait waitingFor() const;

private:
    void heard(std::span<const std::uint8_t> bytes);
    void tookMore();
    void progressed();
    void notice();
    void busyAnswer(const std::string& status);
    void ended(PapJobResult result);

    Node& node_;
    PrintJobOptions options_;
    PapClient client_;
    PrintJobEvents events_;
    bool busy_ = false; // the last answer to OpenConn was busy
    SteadyTime lastProgress_{};
    TimerId noticeTimer_ = 0;
    std::optional<PrintOutcome> cancelledAs_;
    BackChannelWatch watch_;
    std::string printerError_; // the last PrinterError passed on since progress
    std::uint64_t messagesShown_ = 0;
    std::uint64_t messagesDropped_ = 0;
    std::uint64_t taken_ = 0; // job bytes the printer took, as last counted as progress
    bool eofTaken_ = false;
};

} // namespace appletalk::print
