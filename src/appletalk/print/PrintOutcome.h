// SPDX-License-Identifier: MIT
// How a print job ended, for `vidur print`, the CUPS backend and the print server alike, and
// what the printer's messages say of it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace appletalk::print {

enum class PrintOutcome {
    Done, // the printer took the whole job and ended it without an error (a passing PrinterError is none)
    PrinterError, // it ended the job with "%%[ Error: ... ]%%" or "%%[ Flushing: ... ]%%"
    NotFound, // no printer of that name answered the look-up
    Unreachable, // found, but OpenConn was never answered
    StillBusy, // busy for longer than the caller wanted to wait
    Stalled, // open, but the printer took none of the job for longer than that
    Unconfirmed, // the printer took the whole job but never said it was done
    Refused, // OpenConn answered with an error
    BadReply, // OpenConn answered with a reply that cannot be read
    ConnectionLost, // the printer went silent mid-job
    ClosedByPrinter, // the printer closed the connection before the job was done
    Interrupted, // the caller's stop request
    NetworkError, // no AppleTalk network could be opened
    InputError, // the job's input could not be read
};

// True when a message from the printer says the job failed ("%%[ Error: ... ]%%",
// "%%[ Flushing: ... ]%%"); a PrinterError passes.
bool reportsError(std::string_view messages);

// True when a job's first bytes are PostScript: "%!" (after an optional Ctrl-D or UTF-8 byte
// order mark), or the binary header of an encapsulated PostScript file.
bool looksLikePostScript(std::span<const std::uint8_t> head);

} // namespace appletalk::print
