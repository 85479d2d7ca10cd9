// SPDX-License-Identifier: MIT
// What `vidur print` shows while a job runs: the printer's messages as they come, a busy
// printer's status when it changes, a printer error it waits on, every ten seconds what a job
// without progress waits for, and on a terminal a progress bar redrawn in place. Everything
// the printer or the network says is escaped as the other commands escape it (TerminalText),
// so no byte of it acts on the terminal, and each message of the printer is one line that
// starts with its name: a printer cannot end a line and forge one of ours.
#pragma once

#include "appletalk/print/PrintSession.h"

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

namespace vidur::cli {

class PrintProgress final : public appletalk::print::PrintObserver {
public:
    // `label`: the job (a file name); `printer`: the printer as the user knows it (UTF-8);
    // `total`: the job's size when known; `bar`: draw the bar (standard error is a terminal).
    PrintProgress(std::ostream& err, std::string label, std::string printer, std::optional<std::uint64_t> total,
                  bool bar);

    void busy(const std::string& utf8Status) override;
    void message(std::span<const std::uint8_t> bytes) override;
    void printerError(const std::string& utf8Text) override;
    void messagesDropped(std::uint64_t bytes) override;
    void progress(std::uint64_t taken, std::uint64_t read, bool inputDone) override;
    void waiting(appletalk::print::PrintWait what, std::chrono::seconds without) override;
    // Clears the bar, so what follows starts on a clean line.
    void clear();

    // "[#####-----]  50%  1.2 MB of 2.4 MB", or "1.2 MB" without a total.
    static std::string barText(std::uint64_t taken, std::optional<std::uint64_t> total, int width);

private:
    void say(const std::string& text);

    std::ostream& err_;
    std::string label_;
    std::string printer_;
    std::optional<std::uint64_t> total_;
    bool bar_;
    bool drawn_ = false;
    std::string lastBusy_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

} // namespace vidur::cli
