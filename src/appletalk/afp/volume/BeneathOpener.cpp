// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/BeneathOpener.h"

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>

namespace appletalk::afp {
namespace {

// The path's names, or nothing when one of them could climb out or is empty.
bool splitPath(std::string_view path, std::vector<std::string>& names) {
    if (path.starts_with('/')) return false;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const auto name = path.substr(0, slash);
        if (name.empty() || name == "." || name == "..") return false;
        names.emplace_back(name);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    return true;
}

// A walk refuses every symbolic link: one may lead out, and a walk cannot tell where.
VolumeError walkError(int folderFd, const std::string& name) {
    const int error = errno;
    struct stat status {};
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode))
        return VolumeError::Outside;
    return volumeErrorOf(error);
}

} // namespace

VolumeError volumeErrorOf(int error) {
    switch (error) {
    case 0: return VolumeError::None;
    case ENOENT: return VolumeError::NotFound;
    case EEXIST: return VolumeError::Exists;
    case EACCES:
    case EPERM: return VolumeError::AccessDenied;
    case EROFS: return VolumeError::ReadOnly;
    case ENOTEMPTY: return VolumeError::NotEmpty;
    case ENOTDIR:
    case EISDIR: return VolumeError::WrongKind;
    case EXDEV:
    case ELOOP: return VolumeError::Outside;
    case ENAMETOOLONG: return VolumeError::BadName;
    case ENOSPC:
    case EDQUOT: return VolumeError::DiskFull;
    default: return VolumeError::Io;
    }
}

VolumeResult<UniqueFd> BeneathOpener::open(int folderFd, std::string_view relativePath, int flags, mode_t mode) {
    std::vector<std::string> names;
    if (!splitPath(relativePath, names)) return VolumeError::Outside;
    if (method_ == Method::Kernel) {
        bool unsupported = false;
        auto result = openWithKernel(folderFd, relativePath, flags, mode, unsupported);
        if (!unsupported) return result;
        method_ = Method::CheckedWalk; // a kernel before 5.6
    }
    return openByWalk(folderFd, relativePath, flags, mode);
}

VolumeResult<UniqueFd> BeneathOpener::openWithKernel(int folderFd, std::string_view relativePath, int flags,
                                                     mode_t mode, bool& unsupported) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const std::string path = relativePath.empty() ? std::string(".") : std::string(relativePath);
    const auto fd = static_cast<int>(::syscall(SYS_openat2, folderFd, path.c_str(), &how, sizeof how));
    if (fd < 0) {
        unsupported = errno == ENOSYS;
        return volumeErrorOf(errno);
    }
    return UniqueFd(fd);
}

VolumeResult<UniqueFd> BeneathOpener::openByWalk(int folderFd, std::string_view relativePath, int flags, mode_t mode) {
    std::vector<std::string> names;
    splitPath(relativePath, names);
    UniqueFd current(::openat(folderFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid()) return volumeErrorOf(errno);
    if (names.empty()) {
        const int fd = ::openat(folderFd, ".", (flags & ~O_CREAT) | O_CLOEXEC);
        if (fd < 0) return volumeErrorOf(errno);
        return UniqueFd(fd);
    }
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        UniqueFd next(::openat(current.get(), names[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) return walkError(current.get(), names[i]);
        current = std::move(next);
    }
    const int fd = ::openat(current.get(), names.back().c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return walkError(current.get(), names.back());
    return UniqueFd(fd);
}

} // namespace appletalk::afp
