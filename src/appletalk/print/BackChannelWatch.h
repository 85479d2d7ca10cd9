// SPDX-License-Identifier: MIT
// What a print job makes of the printer's messages, read as they come in pieces of any size:
// "%%[ Error: ... ]%%" and "%%[ Flushing: ... ]%%" say the job failed; "%%[ PrinterError:
// ... ]%%" says the printer waits for a person (paper out, a jam), which passes: a LaserWriter
// goes on with the job once the paper is in. Only the bracketed messages count; a message cut
// across two pieces is read whole.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace appletalk::print {

class BackChannelWatch {
public:
    // The texts of the PrinterErrors this piece completes (Mac OS Roman), in order.
    std::vector<std::string> add(std::span<const std::uint8_t> piece);
    bool jobFailed() const { return jobFailed_; }

private:
    void read(std::string_view body, std::vector<std::string>& printerErrors);

    std::string pending_; // an unfinished "%%[ ...", or the bytes that may begin one
    bool jobFailed_ = false;
};

} // namespace appletalk::print
