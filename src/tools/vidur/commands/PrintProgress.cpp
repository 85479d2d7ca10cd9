// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PrintProgress.h"

#include "text/MacRoman.h"
#include "tools/vidur/output/TerminalText.h"

#include <cstdio>
#include <string_view>

namespace vidur::cli {

namespace {

// Redrawn at most this often: a terminal over a slow link is not flooded.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// A message's own line ends go: the line is ours to end.
std::string_view withoutLineEnds(std::string_view text) {
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

PrintProgress::PrintProgress(std::ostream& err, std::string label, std::string printer,
                             std::optional<std::uint64_t> total, bool bar)
    : err_(err), label_(escapeControls(label)), printer_(escapeControls(printer)), total_(total), bar_(bar) {}

std::string PrintProgress::barText(std::uint64_t taken, std::optional<std::uint64_t> total, int width) {
    if (!total) return megabytes(taken);
    const std::uint64_t whole = *total == 0 ? 1 : *total;
    const std::uint64_t part = taken > whole ? whole : taken;
    const int filled = static_cast<int>(part * static_cast<std::uint64_t>(width) / whole);
    const int percent = static_cast<int>(part * 100 / whole);
    char tail[64];
    std::snprintf(tail, sizeof tail, "] %3d%%  ", percent);
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '-') + tail + megabytes(part) + " of " +
           megabytes(*total);
}

void PrintProgress::clear() {
    if (!drawn_) return;
    err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

void PrintProgress::say(const std::string& text) {
    clear();
    err_ << "vidur print: " << label_ << ": " << text << "\n" << std::flush;
}

void PrintProgress::busy(const std::string& utf8Status) {
    if (utf8Status == lastBusy_) return;
    lastBusy_ = utf8Status;
    say(printer_ + " is busy (" + escapeControls(utf8Status) + "); waiting");
}

void PrintProgress::message(std::span<const std::uint8_t> bytes) {
    const std::string_view text = withoutLineEnds({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    if (text.empty()) return;
    clear();
    err_ << printer_ << ": " << terminalText(text) << "\n" << std::flush;
}

void PrintProgress::printerError(const std::string& utf8Text) {
    say(printer_ + " reports a problem: " + escapeControls(utf8Text) + "; the job goes on once it is seen to");
}

void PrintProgress::messagesDropped(std::uint64_t bytes) {
    say(std::to_string(bytes) + " more bytes of messages from " + printer_ + " were not shown (only the first " +
        std::to_string(appletalk::print::kShownMessages / 1024) + " KiB are)");
}

void PrintProgress::waiting(appletalk::print::PrintWait what, std::chrono::seconds without) {
    using appletalk::print::PrintWait;
    const std::string seconds = std::to_string(without.count()) + " s";
    switch (what) {
    case PrintWait::Answer: say(printer_ + " has not answered for " + seconds); break;
    case PrintWait::Busy:
        say(printer_ + " is still busy after " + seconds + " (" + escapeControls(lastBusy_) + ")");
        break;
    case PrintWait::Reading: say(printer_ + " has taken nothing more for " + seconds); break;
    case PrintWait::Finishing: say(printer_ + " has the whole job and has not said it is done after " + seconds); break;
    }
}

void PrintProgress::progress(std::uint64_t taken, std::uint64_t, bool inputDone) {
    if (!bar_) return;
    const auto now = std::chrono::steady_clock::now();
    const bool finalDraw = inputDone && total_ && taken >= *total_;
    if (!finalDraw && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    err_ << "\r" << label_ << " " << barText(taken, total_, 30) << "\x1b[K" << std::flush;
    drawn_ = true;
}

} // namespace vidur::cli
