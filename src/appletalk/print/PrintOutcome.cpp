// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintOutcome.h"

#include <algorithm>
#include <cstdint>

namespace appletalk::print {

bool reportsError(std::string_view messages) {
    return messages.find("%%[ Error:") != std::string_view::npos ||
           messages.find("%%[ Flushing:") != std::string_view::npos;
}

bool looksLikePostScript(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kEpsBinary[] = {0xC5, 0xD0, 0xD3, 0xC6};
    if (head.size() >= 4 && std::equal(head.begin(), head.begin() + 4, kEpsBinary)) return true;
    if (!head.empty() && head[0] == 0x04) head = head.subspan(1);
    if (head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) head = head.subspan(3);
    return head.size() >= 2 && head[0] == '%' && head[1] == '!';
}

} // namespace appletalk::print
