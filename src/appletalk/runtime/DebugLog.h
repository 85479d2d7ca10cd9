// SPDX-License-Identifier: MIT
// The library's notes for whoever debugs it. A library must not write on its host's stderr,
// so notes go there only when VIDUR_DEBUG is set (to anything but "" or "0"); callers learn
// of failures through results, and the reasons stay readable (Stack::problem()).
#pragma once

#include <string>

namespace appletalk::runtime {

class DebugLog {
public:
    static bool enabled();
    // One line, "tarvlib: " before it; nothing unless enabled().
    static void note(const std::string& line);
};

} // namespace appletalk::runtime
