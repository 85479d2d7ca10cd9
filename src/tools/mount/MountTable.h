// SPDX-License-Identifier: MIT
// Whether a folder is one of our mounts, as the kernel's mount table (/proc/self/mountinfo)
// tells: the mount point (its spaces and the like written as octal escapes there) and the
// file system type, fuse.vidur.
#pragma once

#include <string>
#include <string_view>

namespace vidur::mount {

class MountTable {
public:
    // `directory` absolute, without a trailing '/'.
    static bool isOurs(const std::string& directory);
    // The same, on the text of a mountinfo file.
    static bool listsOurs(std::string_view mountInfo, const std::string& directory);

private:
    static std::string unescape(std::string_view field);
};

} // namespace vidur::mount
