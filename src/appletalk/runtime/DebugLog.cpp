// SPDX-License-Identifier: MIT
#include "appletalk/runtime/DebugLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace appletalk::runtime {

bool DebugLog::enabled() {
    // Read every time: a host or test may set it after the library loaded.
    const char* value = std::getenv("VIDUR_DEBUG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void DebugLog::note(const std::string& line) {
    if (enabled()) std::fprintf(stderr, "tarvlib: %s\n", line.c_str());
}

} // namespace appletalk::runtime
