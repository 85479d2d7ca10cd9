// SPDX-License-Identifier: MIT
// An AfpFileSystem mounted through FUSE 3's path API: the mount on a folder, the loop that
// serves the kernel's calls one at a time until the folder is unmounted (fusermount3 -u) or
// SIGINT, SIGTERM or SIGHUP arrives, and the unmount.
#pragma once

#include "tools/mount/AfpFileSystem.h"

#include <string>

struct fuse;

namespace vidur::mount {

class FuseMount {
public:
    explicit FuseMount(AfpFileSystem& fileSystem) : fileSystem_(fileSystem) {}
    ~FuseMount(); // unmounts when still mounted
    FuseMount(const FuseMount&) = delete;
    FuseMount& operator=(const FuseMount&) = delete;

    // Mounts on `directory`, named `source` in the mount table (type fuse.vidur); false with
    // the reason.
    bool mount(const std::string& directory, const std::string& source, bool readOnly, std::string& problem);
    // Serves until unmounted or signalled.
    void run();

    // The file system type the mount table shows for ours.
    static constexpr const char* kType = "fuse.vidur";

private:
    AfpFileSystem& fileSystem_;
    struct fuse* fuse_ = nullptr;
    bool mounted_ = false;
};

} // namespace vidur::mount
