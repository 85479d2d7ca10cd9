// SPDX-License-Identifier: MIT
// Opens paths inside a volume's folder so that nothing outside it is ever reached: no "..",
// no absolute path, no symbolic link that leads out. Where the kernel has openat2 it resolves
// with RESOLVE_BENEATH (links that stay inside work); elsewhere it walks the path a component
// at a time with O_NOFOLLOW, refusing every symbolic link.
#pragma once

#include "appletalk/afp/volume/UniqueFd.h"
#include "appletalk/afp/volume/VolumeError.h"

#include <string_view>

#include <sys/types.h>

namespace appletalk::afp {

class BeneathOpener {
public:
    enum class Method { Kernel, CheckedWalk };

    explicit BeneathOpener(Method method = Method::Kernel) : method_(method) {}

    // relativePath: Linux names joined by '/'; "" is the folder itself. Outside when the path
    // or a link in it leads out of the folder.
    VolumeResult<UniqueFd> open(int folderFd, std::string_view relativePath, int flags, mode_t mode = 0);

    Method method() const { return method_; }

private:
    VolumeResult<UniqueFd> openWithKernel(int folderFd, std::string_view relativePath, int flags, mode_t mode,
                                          bool& unsupported);
    VolumeResult<UniqueFd> openByWalk(int folderFd, std::string_view relativePath, int flags, mode_t mode);

    Method method_;
};

// The error a failed system call stands for.
VolumeError volumeErrorOf(int error);

} // namespace appletalk::afp
