// SPDX-License-Identifier: MIT
#include "appletalk/serve/BackChannel.h"

namespace appletalk::serve {

std::string BackChannel::oneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < 0x20 || byte == 0x7F;
        // Line breaks and other controls become blanks, runs of blanks one.
        if ((control || c == ' ') && (line.empty() || line.back() == ' ')) continue;
        line += control ? ' ' : c;
        if (line.ends_with("]%%")) line.insert(line.size() - 2, " ");
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

std::string BackChannel::message(std::string_view key, std::string_view text) {
    return "%%[ " + std::string(key) + ": " + oneLine(text) + " ]%%\r";
}

std::string BackChannel::errorAndFlush(std::string_view text) {
    return error(text) + message("Flushing", "rest of job (to end-of-file) will be ignored");
}

} // namespace appletalk::serve
