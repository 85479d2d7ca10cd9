// SPDX-License-Identifier: MIT
#include "tools/mount/MountTable.h"

#include "tools/mount/FuseMount.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace vidur::mount {

bool MountTable::isOurs(const std::string& directory) {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return listsOurs(text.str(), directory);
}

bool MountTable::listsOurs(std::string_view mountInfo, const std::string& directory) {
    while (!mountInfo.empty()) {
        const auto end = mountInfo.find('\n');
        const std::string_view line = mountInfo.substr(0, end);
        mountInfo.remove_prefix(end == std::string_view::npos ? mountInfo.size() : end + 1);
        // ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPEROPTIONS
        std::vector<std::string_view> fields;
        for (std::string_view rest = line; !rest.empty();) {
            const auto space = rest.find(' ');
            fields.push_back(rest.substr(0, space));
            rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
        }
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") ++separator;
        if (separator + 1 >= fields.size()) continue;
        if (fields[separator + 1] == FuseMount::kType && unescape(fields[4]) == directory) return true;
    }
    return false;
}

std::string MountTable::unescape(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3';
        if (octal) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

} // namespace vidur::mount
