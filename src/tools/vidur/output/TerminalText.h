// SPDX-License-Identifier: MIT
// Names and status texts from the network, made safe to print on a terminal. A name may hold
// any byte: an ESC sequence would retitle or clear the terminal, BEL ring, CR and LF forge
// lines of output. Control characters are shown as C escapes instead ("\e" as \x1B, BEL as
// \a, LF as \n), and the backslash itself as \\ so that an escape cannot be forged either,
// as `ls -b` does. JSON output escapes by its own rules and does not use this.
#pragma once

#include <string>
#include <string_view>

namespace vidur::cli {

// Mac OS Roman text as UTF-8 for a terminal, its control characters escaped.
std::string terminalText(std::string_view macRoman);

// UTF-8 text with its control characters (C0 and DEL) escaped the same way.
std::string escapeControls(std::string_view utf8);

} // namespace vidur::cli
