// SPDX-License-Identifier: MIT
#include "platform/core/SplitPath.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

void copyPart(char* out, int capacity, std::string_view part) {
    if (!out) return;
    const std::size_t n = std::min(part.size(), static_cast<std::size_t>(capacity - 1));
    if (n > 0) std::memcpy(out, part.data(), n);
    out[n] = '\0';
}

} // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    std::string_view rest = path ? std::string_view(path) : std::string_view();

    std::string_view drivePart;
    if (rest.size() >= 2 && rest[1] == ':') {
        drivePart = rest.substr(0, 2);
        rest.remove_prefix(2);
    }

    const std::size_t lastSeparator = rest.find_last_of("\\/");
    std::string_view dirPart;
    if (lastSeparator != std::string_view::npos) {
        dirPart = rest.substr(0, lastSeparator + 1);
        rest.remove_prefix(lastSeparator + 1);
    }

    const std::size_t lastPeriod = rest.rfind('.');
    std::string_view extPart;
    if (lastPeriod != std::string_view::npos) {
        extPart = rest.substr(lastPeriod);
        rest = rest.substr(0, lastPeriod);
    }

    copyPart(drive, _MAX_DRIVE, drivePart);
    copyPart(dir, _MAX_DIR, dirPart);
    copyPart(fname, _MAX_FNAME, rest);
    copyPart(ext, _MAX_EXT, extPart);
}
