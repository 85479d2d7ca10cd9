// SPDX-License-Identifier: MIT
#include "appletalk/print/BackChannelWatch.h"

#include <string_view>

namespace appletalk::print {

namespace {

constexpr std::string_view kOpen = "%%[";
constexpr std::string_view kClose = "]%%";
// A message is a line; an opening longer than this is no message and is let go, so a printer
// cannot make this end hold its output.
constexpr std::size_t kMaxMessage = 1024;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

} // namespace

std::vector<std::string> BackChannelWatch::add(std::span<const std::uint8_t> piece) {
    std::vector<std::string> printerErrors;
    pending_.append(piece.begin(), piece.end());
    for (;;) {
        const auto open = pending_.find(kOpen);
        if (open == std::string::npos) {
            // Keep what could be the start of "%%[" cut by the piece's end.
            if (pending_.size() > kOpen.size() - 1) pending_.erase(0, pending_.size() - (kOpen.size() - 1));
            break;
        }
        const auto close = pending_.find(kClose, open + kOpen.size());
        if (close == std::string::npos) {
            pending_.erase(0, open);
            if (pending_.size() <= kMaxMessage) break;
            pending_.erase(0, kOpen.size());
            continue;
        }
        read(std::string_view(pending_).substr(open + kOpen.size(), close - open - kOpen.size()), printerErrors);
        pending_.erase(0, close + kClose.size());
    }
    return printerErrors;
}

void BackChannelWatch::read(std::string_view body, std::vector<std::string>& printerErrors) {
    body = trimmed(body);
    if (body.starts_with("Error:") || body.starts_with("Flushing:")) jobFailed_ = true;
    constexpr std::string_view kPrinterError = "PrinterError:";
    if (body.starts_with(kPrinterError)) printerErrors.emplace_back(trimmed(body.substr(kPrinterError.size())));
}

} // namespace appletalk::print
