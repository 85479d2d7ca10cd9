// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PrintProgress.h"

#include <cstdio>

namespace vidur::cli {

namespace {

// Redrawn at most this often: a terminal over a slow link is not flooded.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

PrintProgress::PrintProgress(std::ostream& err, std::string label, std::optional<std::uint64_t> total, bool bar)
    : err_(err), label_(std::move(label)), total_(total), bar_(bar) {}

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

void PrintProgress::busy(const std::string& utf8Status) {
    if (utf8Status == lastBusy_) return;
    lastBusy_ = utf8Status;
    clear();
    err_ << "vidur print: " << label_ << " is busy (" << utf8Status << "); waiting\n" << std::flush;
}

void PrintProgress::message(std::span<const std::uint8_t> bytes) {
    clear();
    std::string text;
    for (const std::uint8_t byte : bytes) text += byte == '\r' ? '\n' : static_cast<char>(byte);
    err_ << text << std::flush;
    midLine_ = !text.empty() && text.back() != '\n';
}

void PrintProgress::progress(std::uint64_t taken, std::uint64_t, bool inputDone) {
    if (!bar_) return;
    const auto now = std::chrono::steady_clock::now();
    const bool finalDraw = inputDone && total_ && taken >= *total_;
    if (!finalDraw && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    if (midLine_) {
        err_ << "\n";
        midLine_ = false;
    }
    err_ << "\r" << label_ << " " << barText(taken, total_, 30) << "\x1b[K" << std::flush;
    drawn_ = true;
}

} // namespace vidur::cli
