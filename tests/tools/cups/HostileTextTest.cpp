// SPDX-License-Identifier: MIT
// One table of hostile texts, as a printer's name, status or back channel could carry them,
// through every path that prints them: `vidur print` on a terminal, the backend's lines to
// CUPS during a job and after it, and its discovery lines. No control byte gets through; on
// CUPS' side every line is one of the backend's own, so none can be forged.
#include "tools/cups/BackendReporter.h"
#include "tools/cups/PapBackend.h"
#include "tools/vidur/commands/PrintProgress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vidur::cups {
namespace {

using appletalk::print::PrintOutcome;
using appletalk::print::PrintWait;

struct Hostile {
    const char* what;
    std::string text; // as the network gave it: Mac OS Roman, read as UTF-8 where ASCII
};

const Hostile kTexts[] = {
    {"a new window title", "\x1B]0;owned\x07"},
    {"a cleared screen", "\x1B[2J\x1B[H"},
    {"a forged CUPS line", "busy\nATTR: marker-levels=1"},
    {"a carriage return", "status\rINFO: Printed 1 bytes"},
    {"a forged escape", "back\\x1B slash"},
    {"delete and backspace", "del\x7F\x08\x08"},
    {"a quote", "a \"quoted\" name"},
};

// Every byte below space but the line ends, and DEL.
::testing::AssertionResult controlFree(const std::string& output) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto byte = static_cast<unsigned char>(output[i]);
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F)
            return ::testing::AssertionFailure() << "byte " << int(byte) << " at " << i << " of: " << output;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult onlyBackendLines(const std::string& output) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        bool known = false;
        for (const char* prefix : {"STATE: ", "INFO: ", "WARNING: ", "ERROR: ", "DEBUG: "})
            known = known || line.starts_with(prefix);
        if (!known) return ::testing::AssertionFailure() << "a line the backend did not write: " << line;
    }
    return ::testing::AssertionSuccess();
}

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(HostileText, NoControlByteReachesATerminalOrCupsAndNoLineIsForged) {
    for (const Hostile& row : kTexts) {
        std::ostringstream terminal;
        {
            cli::PrintProgress progress(terminal, "job " + row.text, "Laser " + row.text, std::nullopt, false);
            progress.busy(row.text);
            progress.message(bytes(row.text + "\r%%[ Error: " + row.text + " ]%%\r\n"));
            for (const auto what : {PrintWait::Answer, PrintWait::Busy, PrintWait::Reading, PrintWait::Finishing})
                progress.waiting(what, std::chrono::seconds(20));
        }
        EXPECT_TRUE(controlFree(terminal.str())) << row.what;

        std::ostringstream cups;
        {
            BackendReporter reporter(cups, "Laser " + row.text);
            reporter.lookingUp(row.text);
            reporter.busy(row.text);
            reporter.message(bytes(row.text + "\r" + row.text));
            for (const auto what : {PrintWait::Answer, PrintWait::Busy, PrintWait::Reading, PrintWait::Finishing})
                reporter.waiting(what, std::chrono::seconds(20));
            for (int outcome = 0; outcome <= static_cast<int>(PrintOutcome::InputError); ++outcome)
                reporter.ended({static_cast<PrintOutcome>(outcome), row.text, 1});
        }
        EXPECT_TRUE(controlFree(cups.str())) << row.what;
        EXPECT_TRUE(onlyBackendLines(cups.str())) << row.what;

        const appletalk::print::DiscoveredPrinter found{
            {row.text, "LaserWriter", row.text}, {}, appletalk::print::PrinterIdentity{row.text, "47.0"}};
        const std::string line = PapBackend::discoveryLine(found);
        EXPECT_TRUE(controlFree(line)) << row.what;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << row.what;
        EXPECT_EQ(std::count(line.begin(), line.end(), '"'), 8) << row.what << ": four quoted fields, " << line;
    }
}

TEST(BackendLines, OnePrinterMessageIsOneLineAndAPassingPrinterErrorIsAStateTakenAwayWhenItGoesOn) {
    std::ostringstream cups;
    BackendReporter reporter(cups, "Laser");
    reporter.message(bytes("%%[ status: busy ]%%\r\nINFO: Printed 131 bytes\r\n"));
    reporter.printerError("paper out");
    reporter.printerError("paper out; load it");
    reporter.progress(512, 512, false);
    reporter.printerError("the fuser is cold");
    reporter.messagesDropped(5000);
    reporter.ended({PrintOutcome::Done, {}, 512});
    EXPECT_EQ(cups.str(),
              "INFO: %%[ status: busy ]%%\\r\\nINFO: Printed 131 bytes\n"
              "STATE: +media-empty-warning\n"
              "INFO: Laser reports a problem: paper out; the job goes on once it is seen to\n"
              "INFO: Laser reports a problem: paper out; load it; the job goes on once it is seen to\n"
              "STATE: -media-empty-warning\n"
              "DEBUG: 512 bytes taken by the printer\n"
              "STATE: +other-warning\n"
              "INFO: Laser reports a problem: the fuser is cold; the job goes on once it is seen to\n"
              "INFO: 5000 more bytes of messages from Laser were not shown (only the first 64 KiB are)\n"
              "STATE: -other-warning\n"
              "INFO: Printed 512 bytes\n");
    EXPECT_EQ(BackendReporter::stateReason("Paper jam"), "media-jam-warning");
    EXPECT_EQ(BackendReporter::stateReason("out of paper"), "media-empty-warning");
    EXPECT_EQ(BackendReporter::stateReason("cover open"), "cover-open-warning");
}

TEST(TerminalLines, OnePrinterMessageIsOneLineAfterThePrintersName) {
    std::ostringstream terminal;
    cli::PrintProgress progress(terminal, "report.ps", "Laser", std::nullopt, false);
    progress.message(bytes("%%[ status: busy ]%%\r\nvidur print: report.ps: 131 bytes printed\r\n"));
    progress.message(bytes("\r\n"));
    progress.printerError("paper out");
    EXPECT_EQ(terminal.str(),
              "Laser: %%[ status: busy ]%%\\r\\nvidur print: report.ps: 131 bytes printed\n"
              "vidur print: report.ps: Laser reports a problem: paper out; the job goes on once it "
              "is seen to\n");
}

} // namespace
} // namespace vidur::cups
