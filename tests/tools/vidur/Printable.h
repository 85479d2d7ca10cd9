// SPDX-License-Identifier: MIT
// Table rows name their tests (CTest lists every row): printed in plain ASCII, bytes above
// 0x7E and control characters as \xNN, so names are stable and readable in any terminal.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vidur::cli::testing {

inline std::string printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", unsigned{byte});
            out += escape;
        }
    }
    return "'" + out + "'";
}

inline std::string printable(const std::vector<std::string>& list) {
    std::string out;
    for (const auto& text : list) out += (out.empty() ? "" : " ") + printable(text);
    return out;
}

} // namespace vidur::cli::testing
