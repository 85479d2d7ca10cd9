// SPDX-License-Identifier: MIT
#define FUSE_USE_VERSION 31

#include "tools/mount/FuseMount.h"

#include <fuse.h>
#include <malloc.h>

#include <vector>

namespace vidur::mount {

namespace {

AfpFileSystem& fileSystem() { return *static_cast<AfpFileSystem*>(fuse_get_context()->private_data); }

// A file's handle, or 0 when the kernel names the file by its path only.
std::uint64_t handleOf(const fuse_file_info* info) { return info == nullptr ? 0 : info->fh; }

// fuse's option parser splits on commas: a name's own commas and backslashes escaped.
std::string escapedOption(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == ',' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

void* init(fuse_conn_info*, fuse_config* config) {
    // The server may change under us (other clients): keep what the kernel caches short.
    config->attr_timeout = 1;
    config->entry_timeout = 1;
    config->negative_timeout = 0;
    // An open file deleted goes at once; the server refuses it while open, as a Mac would.
    config->hard_remove = 1;
    return &fileSystem();
}

int getattr(const char* path, struct stat* status, fuse_file_info*) { return fileSystem().getattr(path, *status); }

int readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
    return fileSystem().readdir(path, [&](const std::string& name, const struct stat& status) {
        return fill(buffer, name.c_str(), &status, 0, static_cast<fuse_fill_dir_flags>(0)) != 0;
    });
}

int mkdir(const char* path, mode_t) { return fileSystem().mkdir(path); }

int create(const char* path, mode_t, fuse_file_info* info) { return fileSystem().create(path, info->flags, info->fh); }

int open(const char* path, fuse_file_info* info) { return fileSystem().open(path, info->flags, info->fh); }

int read(const char*, char* into, size_t size, off_t offset, fuse_file_info* info) {
    return fileSystem().read(info->fh, into, size, offset);
}

int write(const char*, const char* data, size_t size, off_t offset, fuse_file_info* info) {
    return fileSystem().write(info->fh, data, size, offset);
}

int truncate(const char* path, off_t length, fuse_file_info* info) {
    return fileSystem().truncate(path, length, handleOf(info));
}

int flush(const char*, fuse_file_info* info) { return fileSystem().flush(info->fh); }

int fsync(const char*, int, fuse_file_info* info) { return fileSystem().fsync(info->fh); }

int release(const char*, fuse_file_info* info) { return fileSystem().release(info->fh); }

int unlink(const char* path) { return fileSystem().unlink(path); }

int rmdir(const char* path) { return fileSystem().rmdir(path); }

int rename(const char* from, const char* to, unsigned int flags) { return fileSystem().rename(from, to, flags); }

int utimens(const char* path, const struct timespec times[2], fuse_file_info*) {
    return fileSystem().utimens(path, times);
}

int chmod(const char* path, mode_t mode, fuse_file_info*) { return fileSystem().chmod(path, mode); }

int chown(const char* path, uid_t user, gid_t group, fuse_file_info*) { return fileSystem().chown(path, user, group); }

int statfs(const char*, struct statvfs* status) { return fileSystem().statfs(*status); }

int getxattr(const char* path, const char* name, char* into, size_t size) {
    return fileSystem().getxattr(path, name, into, size);
}

int setxattr(const char* path, const char* name, const char* value, size_t size, int flags) {
    return fileSystem().setxattr(path, name, value, size, flags);
}

int listxattr(const char* path, char* into, size_t size) { return fileSystem().listxattr(path, into, size); }

int removexattr(const char* path, const char* name) { return fileSystem().removexattr(path, name); }

fuse_operations operations() {
    fuse_operations table{};
    table.init = init;
    table.getattr = getattr;
    table.readdir = readdir;
    table.mkdir = mkdir;
    table.create = create;
    table.open = open;
    table.read = read;
    table.write = write;
    table.truncate = truncate;
    table.flush = flush;
    table.fsync = fsync;
    table.release = release;
    table.unlink = unlink;
    table.rmdir = rmdir;
    table.rename = rename;
    table.utimens = utimens;
    table.chmod = chmod;
    table.chown = chown;
    table.statfs = statfs;
    table.getxattr = getxattr;
    table.setxattr = setxattr;
    table.listxattr = listxattr;
    table.removexattr = removexattr;
    return table;
}

} // namespace

FuseMount::~FuseMount() {
    if (fuse_ == nullptr) return;
    if (mounted_) fuse_unmount(fuse_);
    fuse_destroy(fuse_);
}

bool FuseMount::mount(const std::string& directory, const std::string& source, bool readOnly, std::string& problem) {
    std::string options = "fsname=" + escapedOption(source) + ",subtype=vidur";
    if (readOnly) options += ",ro";
    std::vector<std::string> words{"vidur", "-o", options};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    const fuse_operations table = operations();
    fuse_ = fuse_new(&args, &table, sizeof table, &fileSystem_);
    fuse_opt_free_args(&args);
    if (fuse_ == nullptr) {
        problem = "FUSE refused the mount's options";
        return false;
    }
    if (fuse_mount(fuse_, directory.c_str()) != 0) {
        problem = "cannot mount on " + directory + ": FUSE refused (is /dev/fuse there, and fusermount3?)";
        return false;
    }
    mounted_ = true;
    return true;
}

void FuseMount::run() {
    // Each read ahead brings a reply of up to the server's quantum (a megabyte on TCP): kept
    // by the allocator rather than mapped and unmapped each time, no page faults follow it.
    ::mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    fuse_session* session = fuse_get_session(fuse_);
    fuse_set_signal_handlers(session);
    fuse_loop(fuse_);
    fuse_remove_signal_handlers(session);
}

} // namespace vidur::mount
