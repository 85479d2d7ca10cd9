// SPDX-License-Identifier: MIT
// The printer's messages to the workstation, as a PostScript printer writes them on the back
// channel: "%%[ status: ... ]%%", "%%[ Error: ... ]%%", "%%[ PrinterError: ... ]%%",
// "%%[ Flushing: ... ]%%", each on a line of its own. A text from elsewhere (a queue's reason,
// a job's title) is made one line without control characters and cannot end the brackets
// early, so a workstation always reads one message for each.
#pragma once

#include <string>
#include <string_view>

namespace appletalk::serve {

struct BackChannel {
    static std::string status(std::string_view text) { return message("status", text); }
    static std::string error(std::string_view text) { return message("Error", text); }
    static std::string printerError(std::string_view text) { return message("PrinterError", text); }
    // The error, and that the rest of the job is read and thrown away.
    static std::string errorAndFlush(std::string_view text);

    static std::string message(std::string_view key, std::string_view text);
    // One line, no control characters, no "]%%", no runs of blanks: for messages and status texts.
    static std::string oneLine(std::string_view text);
};

} // namespace appletalk::serve
