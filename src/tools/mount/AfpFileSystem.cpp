// SPDX-License-Identifier: MIT
#include "tools/mount/AfpFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/xattr.h>

namespace vidur::mount {

namespace {

using appletalk::afp::AfpEntry;
using appletalk::afp::AfpForkKind;
using appletalk::afp::AfpOpenFork;

const std::string kResourceForkName = "user.com.apple.ResourceFork";
const std::string kFinderInfoName = "user.com.apple.FinderInfo";
constexpr std::size_t kXattrLimit = 64 * 1024; // Linux's cap on one attribute's value
constexpr std::uint16_t kWriteInhibit = 0x0020; // AFP file attribute bit 5
constexpr std::uint32_t kUserMayWrite = 1u << 26; // "make changes", in the user's byte of the rights
// A window of about the kernel's own read-ahead: on ASP some 28 exchanges in one go.
constexpr std::size_t kWindowBytes = 128 * 1024;
// 31 Mac OS Roman characters, each at most three bytes of UTF-8.
constexpr unsigned long kNameMax = 31 * 3;

bool allZero(const std::array<std::uint8_t, 32>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

// The answer of a get into `into` of `size` bytes: the size asked for with 0, ERANGE when it
// does not fit (never cut), else the bytes.
int copyOut(std::span<const std::uint8_t> value, char* into, std::size_t size) {
    if (size == 0) return static_cast<int>(value.size());
    if (size < value.size()) return -ERANGE;
    std::copy(value.begin(), value.end(), into);
    return static_cast<int>(value.size());
}

// XATTR_CREATE and XATTR_REPLACE against whether the attribute is there.
int checkSetFlags(int flags, bool present) {
    if ((flags & XATTR_CREATE) != 0 && present) return -EEXIST;
    if ((flags & XATTR_REPLACE) != 0 && !present) return -ENODATA;
    return 0;
}

} // namespace

class AfpFileSystem::VolumeForkIo final : public ForkIo {
public:
    explicit VolumeForkIo(appletalk::afp::AfpVolumeClient& volume) : volume_(volume) {}
    int read(std::uint16_t reference, std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) override {
        return volume_.read(reference, offset, into, got);
    }
    int write(std::uint16_t reference, std::uint64_t offset, std::span<const std::uint8_t> data) override {
        return volume_.write(reference, offset, data);
    }
    std::size_t transferUnit() const override { return volume_.transferUnit(); }

private:
    appletalk::afp::AfpVolumeClient& volume_;
};

AfpFileSystem::AfpFileSystem(appletalk::afp::AfpVolumeClient& volume, MountIdentity identity)
    : volume_(volume), identity_(identity), forkIo_(std::make_unique<VolumeForkIo>(volume)) {}

AfpFileSystem::~AfpFileSystem() = default;

void AfpFileSystem::whileIdle(const std::function<bool(std::string& problem)>& call) {
    std::lock_guard lock(mutex_);
    if (gone_) return;
    std::string problem;
    if (!call(problem)) noteGone(problem);
}

bool AfpFileSystem::gone() {
    std::lock_guard lock(mutex_);
    return gone_;
}

int AfpFileSystem::answer(int error) {
    if (volume_.sessionGone()) noteGone("the server stopped answering");
    return -error;
}

void AfpFileSystem::noteGone(const std::string& reason) {
    if (gone_) return;
    gone_ = true;
    if (goneHandler_) goneHandler_(reason);
}

void AfpFileSystem::fillStatus(const AfpEntry& entry, struct stat& status) const {
    status = {};
    status.st_uid = identity_.user;
    status.st_gid = identity_.group;
    if (entry.isDirectory) {
        const bool writable = !identity_.readOnly && (entry.accessRights & kUserMayWrite) != 0;
        status.st_mode = S_IFDIR | (writable ? 0755 : 0555);
        status.st_nlink = 2;
    } else {
        const bool writable = !identity_.readOnly && (entry.attributes & kWriteInhibit) == 0;
        status.st_mode = S_IFREG | (writable ? 0644 : 0444);
        status.st_nlink = 1;
        status.st_size = static_cast<off_t>(entry.dataLength);
        status.st_blocks = static_cast<blkcnt_t>((entry.dataLength + 511) / 512);
    }
    status.st_blksize = static_cast<blksize_t>(volume_.transferUnit());
    status.st_mtim.tv_sec = entry.modified;
    status.st_ctim.tv_sec = entry.modified;
    status.st_atim.tv_sec = entry.modified;
}

void AfpFileSystem::settle(const std::string& path) {
    files_.forEachOf(path, [](OpenFile& file) { file.sendHeldKeepingError(); });
}

void AfpFileSystem::dropReadAhead(const std::string& path) {
    files_.forEachOf(path, [](OpenFile& file) { file.dropReadAhead(); });
}

int AfpFileSystem::getattr(const std::string& path, struct stat& status) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    settle(path);
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    fillStatus(entry, status);
    return 0;
}

int AfpFileSystem::readdir(const std::string& path, const DirectoryFiller& fill) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    std::vector<AfpEntry> entries;
    if (const int error = volume_.list(path, entries); error != 0) return answer(error);
    struct stat status {};
    status.st_mode = S_IFDIR;
    if (fill(".", status) || fill("..", status)) return 0;
    for (const AfpEntry& entry : entries) {
        fillStatus(entry, status);
        if (fill(entry.name, status)) break;
    }
    return 0;
}

int AfpFileSystem::mkdir(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    return answer(volume_.createDirectory(path));
}

int AfpFileSystem::openFile(const std::string& path, bool write, std::uint64_t& handle) {
    AfpOpenFork fork;
    if (const int error = volume_.openFork(path, AfpForkKind::Data, write, fork); error != 0) return answer(error);
    handle = files_.add(path, std::make_unique<OpenFile>(*forkIo_, fork.reference, kWindowBytes));
    return 0;
}

int AfpFileSystem::create(const std::string& path, int flags, std::uint64_t& handle) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    // Always a soft create: a file another client made since the kernel looked is opened as
    // it is, never emptied, unless the caller asked for that (O_TRUNC) or for a new one (O_EXCL).
    const int created = volume_.createFile(path, true);
    if (created != 0 && (created != EEXIST || (flags & O_EXCL) != 0)) return answer(created);
    if (const int error = openFile(path, true, handle); error != 0) return error;
    if (created == 0 || (flags & O_TRUNC) == 0) return 0;
    const std::uint16_t reference = files_.find(handle)->reference();
    if (const int error = volume_.setForkLength(reference, 0); error != 0) {
        files_.remove(handle);
        volume_.closeFork(reference);
        return answer(error);
    }
    return 0;
}

int AfpFileSystem::open(const std::string& path, int flags, std::uint64_t& handle) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    const bool write = (flags & O_ACCMODE) != O_RDONLY;
    if (write && identity_.readOnly) return -EROFS;
    return openFile(path, write, handle);
}

int AfpFileSystem::read(std::uint64_t handle, char* into, std::size_t size, off_t offset) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    OpenFile* file = files_.find(handle);
    if (file == nullptr) return -EBADF;
    std::size_t got = 0;
    const int error =
        file->read(static_cast<std::uint64_t>(offset), {reinterpret_cast<std::uint8_t*>(into), size}, got);
    return error != 0 ? answer(error) : static_cast<int>(got);
}

int AfpFileSystem::write(std::uint64_t handle, const char* data, std::size_t size, off_t offset) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    OpenFile* file = files_.find(handle);
    if (file == nullptr) return -EBADF;
    // Another handle's read-ahead of this file is stale now.
    dropReadAhead(files_.pathOf(handle));
    const int error =
        file->write(static_cast<std::uint64_t>(offset), {reinterpret_cast<const std::uint8_t*>(data), size});
    return error != 0 ? answer(error) : static_cast<int>(size);
}

int AfpFileSystem::truncate(const std::string& path, off_t length, std::uint64_t handle) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    const auto newLength = static_cast<std::uint64_t>(length);
    if (OpenFile* file = handle != 0 ? files_.find(handle) : nullptr) {
        if (const int error = file->sendHeld(); error != 0) return answer(error);
        const int error = volume_.setForkLength(file->reference(), newLength);
        dropReadAhead(files_.pathOf(handle));
        return answer(error);
    }
    settle(path);
    dropReadAhead(path);
    AfpOpenFork fork;
    if (const int error = volume_.openFork(path, AfpForkKind::Data, true, fork); error != 0) return answer(error);
    const int error = volume_.setForkLength(fork.reference, newLength);
    const int closed = volume_.closeFork(fork.reference);
    return answer(error != 0 ? error : closed);
}

int AfpFileSystem::flush(std::uint64_t handle) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    OpenFile* file = files_.find(handle);
    return file == nullptr ? -EBADF : answer(file->sendHeld());
}

int AfpFileSystem::fsync(std::uint64_t handle) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    OpenFile* file = files_.find(handle);
    if (file == nullptr) return -EBADF;
    if (const int error = file->sendHeld(); error != 0) return answer(error);
    return answer(volume_.flushFork(file->reference()));
}

int AfpFileSystem::release(std::uint64_t handle) {
    std::lock_guard lock(mutex_);
    const std::unique_ptr<OpenFile> file = files_.remove(handle);
    if (file == nullptr) return -EBADF;
    if (gone_) return -EIO;
    const int sent = file->sendHeld();
    const int closed = volume_.closeFork(file->reference());
    return answer(sent != 0 ? sent : closed);
}

int AfpFileSystem::unlink(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    return answer(volume_.remove(path));
}

int AfpFileSystem::rmdir(const std::string& path) { return unlink(path); }

int AfpFileSystem::rename(const std::string& from, const std::string& to, unsigned flags) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    // AFP has no exchange of two names; "no replace" is honoured by looking first, which is
    // sound because this mount's calls come one at a time.
    if ((flags & ~static_cast<unsigned>(RENAME_NOREPLACE)) != 0) return -EINVAL;
    if ((flags & RENAME_NOREPLACE) != 0) {
        AfpEntry existing;
        const int looked = volume_.stat(to, existing);
        if (looked == 0) return -EEXIST;
        if (looked != ENOENT) return answer(looked);
    }
    const int error = volume_.rename(from, to);
    if (error == 0) files_.renamed(from, to);
    return answer(error);
}

int AfpFileSystem::utimens(const std::string& path, const struct timespec times[2]) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    const struct timespec& modified = times[1];
    if (modified.tv_nsec == UTIME_OMIT) return 0;
    // A held write sent later would move the date again.
    settle(path);
    const std::int64_t seconds = modified.tv_nsec == UTIME_NOW ? std::time(nullptr) : modified.tv_sec;
    return answer(volume_.setModified(path, seconds));
}

int AfpFileSystem::chmod(const std::string& path, mode_t mode) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (identity_.readOnly) return -EROFS;
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    // Only a file's write bits mean something on the server: its WriteInhibit attribute.
    const bool inhibit = (mode & 0222) == 0;
    if (entry.isDirectory || inhibit == ((entry.attributes & kWriteInhibit) != 0)) return 0;
    return answer(volume_.setAttributes(path, kWriteInhibit, inhibit));
}

int AfpFileSystem::chown(const std::string& path, uid_t user, gid_t group) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    const bool same = (user == static_cast<uid_t>(-1) || user == identity_.user) &&
                      (group == static_cast<gid_t>(-1) || group == identity_.group);
    if (!same) return -EPERM;
    AfpEntry entry;
    return answer(volume_.stat(path, entry));
}

int AfpFileSystem::statfs(struct statvfs& status) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    appletalk::afp::AfpVolumeInfo info;
    if (const int error = volume_.volumeInfo(info); error != 0) return answer(error);
    const std::uint64_t block = info.blockSize != 0 ? info.blockSize : 4096;
    status = {};
    status.f_bsize = block;
    status.f_frsize = block;
    status.f_blocks = info.bytesTotal / block;
    status.f_bfree = info.bytesFree / block;
    status.f_bavail = info.bytesFree / block;
    status.f_namemax = kNameMax;
    if (identity_.readOnly) status.f_flag |= ST_RDONLY;
    return 0;
}

int AfpFileSystem::readResourceFork(const std::string& path, std::vector<std::uint8_t>& bytes) {
    AfpOpenFork fork;
    if (const int error = volume_.openFork(path, AfpForkKind::Resource, false, fork); error != 0) return error;
    int error = fork.length > kXattrLimit ? E2BIG : 0;
    if (error == 0) {
        bytes.resize(fork.length);
        std::size_t got = 0;
        error = volume_.read(fork.reference, 0, bytes, got);
        bytes.resize(got);
    }
    const int closed = volume_.closeFork(fork.reference);
    return error != 0 ? error : closed;
}

int AfpFileSystem::writeResourceFork(const std::string& path, const char* value, std::size_t size) {
    AfpOpenFork fork;
    if (const int error = volume_.openFork(path, AfpForkKind::Resource, true, fork); error != 0) return error;
    int error = volume_.setForkLength(fork.reference, 0);
    if (error == 0 && size > 0)
        error = volume_.write(fork.reference, 0, {reinterpret_cast<const std::uint8_t*>(value), size});
    const int closed = volume_.closeFork(fork.reference);
    return error != 0 ? error : closed;
}

int AfpFileSystem::getxattr(const std::string& path, const std::string& name, char* into, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (name != kFinderInfoName && name != kResourceForkName) return -ENODATA;
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    if (name == kFinderInfoName) return allZero(entry.finderInfo) ? -ENODATA : copyOut(entry.finderInfo, into, size);
    if (entry.isDirectory || entry.resourceLength == 0) return -ENODATA;
    if (entry.resourceLength > kXattrLimit) return -E2BIG;
    if (size == 0) return static_cast<int>(entry.resourceLength);
    if (size < entry.resourceLength) return -ERANGE;
    std::vector<std::uint8_t> bytes;
    if (const int error = readResourceFork(path, bytes); error != 0) return answer(error);
    return copyOut(bytes, into, size);
}

int AfpFileSystem::setxattr(const std::string& path, const std::string& name, const char* value, std::size_t size,
                            int flags) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (name != kFinderInfoName && name != kResourceForkName) return -ENOTSUP;
    if (identity_.readOnly) return -EROFS;
    if (name == kFinderInfoName && size != 32) return -EINVAL;
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    if (name == kFinderInfoName) {
        if (const int refused = checkSetFlags(flags, !allZero(entry.finderInfo)); refused != 0) return refused;
        std::array<std::uint8_t, 32> finderInfo{};
        std::memcpy(finderInfo.data(), value, finderInfo.size());
        return answer(volume_.setFinderInfo(path, finderInfo));
    }
    if (entry.isDirectory) return -ENOTSUP; // a folder has no resource fork
    if (const int refused = checkSetFlags(flags, entry.resourceLength > 0); refused != 0) return refused;
    return answer(writeResourceFork(path, value, size));
}

int AfpFileSystem::listxattr(const std::string& path, char* into, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    std::string names;
    if (!allZero(entry.finderInfo)) names += kFinderInfoName + '\0';
    if (!entry.isDirectory && entry.resourceLength > 0) names += kResourceForkName + '\0';
    return copyOut({reinterpret_cast<const std::uint8_t*>(names.data()), names.size()}, into, size);
}

int AfpFileSystem::removexattr(const std::string& path, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (gone_) return -EIO;
    if (name != kFinderInfoName && name != kResourceForkName) return -ENODATA;
    if (identity_.readOnly) return -EROFS;
    AfpEntry entry;
    if (const int error = volume_.stat(path, entry); error != 0) return answer(error);
    if (name == kFinderInfoName) {
        if (allZero(entry.finderInfo)) return -ENODATA;
        return answer(volume_.setFinderInfo(path, std::array<std::uint8_t, 32>{}));
    }
    if (entry.isDirectory || entry.resourceLength == 0) return -ENODATA;
    return answer(writeResourceFork(path, nullptr, 0));
}

void AfpFileSystem::closeAll() {
    std::lock_guard lock(mutex_);
    for (auto& [handle, file] : files_.takeAll()) {
        if (gone_) continue;
        file->sendHeld();
        volume_.closeFork(file->reference());
    }
}

} // namespace vidur::mount
