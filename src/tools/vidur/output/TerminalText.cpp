// SPDX-License-Identifier: MIT
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"

namespace vidur::cli {

std::string escapeControls(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F && c != '\\') {
            out += c;
            continue;
        }
        out += '\\';
        switch (c) {
        case '\\': out += '\\'; break;
        case '\a': out += 'a'; break;
        case '\b': out += 'b'; break;
        case '\t': out += 't'; break;
        case '\n': out += 'n'; break;
        case '\v': out += 'v'; break;
        case '\f': out += 'f'; break;
        case '\r': out += 'r'; break;
        default:
            out += 'x';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

// Mac OS Roman's upper half maps to printable characters only, so escaping the converted
// text's C0 controls and DEL covers every byte that can act on a terminal.
std::string terminalText(std::string_view macRoman) { return escapeControls(vidur::text::macRomanToUtf8(macRoman)); }

} // namespace vidur::cli
