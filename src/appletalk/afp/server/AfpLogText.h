// SPDX-License-Identifier: MIT
// Names from the network as the log may show them: Mac OS Roman turned into UTF-8, control
// characters and the backslash written as escapes, so that no name can forge a log line or
// drive a terminal.
#pragma once

#include <string>
#include <string_view>

namespace appletalk::afp {

std::string loggable(std::string_view macRoman);

} // namespace appletalk::afp
