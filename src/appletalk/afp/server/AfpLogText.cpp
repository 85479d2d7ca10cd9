// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpLogText.h"

#include "text/MacRoman.h"

#include <cstdio>

namespace appletalk::afp {

std::string loggable(std::string_view macRoman) {
    std::string escaped;
    for (const char byte : vidur::text::macRomanToUtf8(macRoman)) {
        const auto code = static_cast<unsigned char>(byte);
        if (code == '\\') {
            escaped += "\\\\";
        } else if (code < 0x20 || code == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", code);
            escaped += hex;
        } else {
            escaped.push_back(byte);
        }
    }
    return escaped;
}

} // namespace appletalk::afp
