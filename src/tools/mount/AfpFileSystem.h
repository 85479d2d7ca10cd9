// SPDX-License-Identifier: MIT
// The mount's file operations on one open AFP volume, as FUSE's path operations call them:
// each answers 0 (or a count) or a negative errno. One mutex carries every call, since the
// session carries one call at a time; the keep-alive takes it too. Once the session is
// gone every operation answers EIO at once.
//
// What Linux sees: the mounting user owns everything; files are 0644, or 0444 when
// write-inhibited or the volume read-only; folders 0755, or 0555 without the right to make
// changes. The modification date is the mtime and the ctime. The resource fork and the
// Finder info are the extended attributes user.com.apple.ResourceFork (whole, at most
// 64 KB as Linux caps an attribute) and user.com.apple.FinderInfo (32 bytes; all zero is
// none).
#pragma once

#include "appletalk/afp/client/AfpVolumeClient.h"
#include "tools/mount/OpenFileTable.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

namespace vidur::mount {

struct MountIdentity {
    uid_t user = 0;
    gid_t group = 0;
    bool readOnly = false; // the volume's own flag or --read-only
};

class AfpFileSystem {
public:
    using DirectoryFiller = std::function<bool(const std::string& name, const struct stat& status)>;
    using GoneHandler = std::function<void(const std::string& reason)>;

    AfpFileSystem(appletalk::afp::AfpVolumeClient& volume, MountIdentity identity);
    ~AfpFileSystem();
    AfpFileSystem(const AfpFileSystem&) = delete;
    AfpFileSystem& operator=(const AfpFileSystem&) = delete;

    // Told once, when the session is found gone.
    void setGoneHandler(GoneHandler handler) { goneHandler_ = std::move(handler); }
    // Runs `call` under the session's mutex unless the session is gone; a false answer
    // (with the reason) marks it gone. For the keep-alive.
    void whileIdle(const std::function<bool(std::string& problem)>& call);
    bool gone();

    int getattr(const std::string& path, struct stat& status);
    int readdir(const std::string& path, const DirectoryFiller& fill);
    int mkdir(const std::string& path);
    int create(const std::string& path, int flags, std::uint64_t& handle);
    int open(const std::string& path, int flags, std::uint64_t& handle);
    int read(std::uint64_t handle, char* into, std::size_t size, off_t offset);
    int write(std::uint64_t handle, const char* data, std::size_t size, off_t offset);
    // `handle` 0: by path.
    int truncate(const std::string& path, off_t length, std::uint64_t handle);
    int flush(std::uint64_t handle);
    int fsync(std::uint64_t handle);
    int release(std::uint64_t handle);
    int unlink(const std::string& path);
    int rmdir(const std::string& path);
    int rename(const std::string& from, const std::string& to, unsigned flags);
    int utimens(const std::string& path, const struct timespec times[2]);
    int chmod(const std::string& path, mode_t mode);
    int statfs(struct statvfs& status);
    int getxattr(const std::string& path, const std::string& name, char* into, std::size_t size);
    int setxattr(const std::string& path, const std::string& name, const char* value, std::size_t size, int flags);
    int listxattr(const std::string& path, char* into, std::size_t size);
    int removexattr(const std::string& path, const std::string& name);

    // Unmounting: the forks still open have their held writes sent and are closed.
    void closeAll();

private:
    class VolumeForkIo;

    // The errno as FUSE wants it (negative), noting a session found gone.
    int answer(int error);
    void noteGone(const std::string& reason);
    void fillStatus(const appletalk::afp::AfpEntry& entry, struct stat& status) const;
    // Held writes to `path` sent before its size or contents are looked at.
    void settle(const std::string& path);
    void dropReadAhead(const std::string& path);
    int openFile(const std::string& path, bool write, std::uint64_t& handle);
    int readResourceFork(const std::string& path, std::vector<std::uint8_t>& bytes);
    int writeResourceFork(const std::string& path, const char* value, std::size_t size);

    appletalk::afp::AfpVolumeClient& volume_;
    MountIdentity identity_;
    std::unique_ptr<VolumeForkIo> forkIo_;
    OpenFileTable files_;
    std::mutex mutex_;
    bool gone_ = false;
    GoneHandler goneHandler_;
};

} // namespace vidur::mount
