// SPDX-License-Identifier: MIT
#include "text/ProfileStorage.h"

#include "text/MacRoman.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace vidur::text {

namespace fs = std::filesystem;

namespace {

std::mutex g_hookMutex;
std::function<bool(const fs::path&)> g_beforeRename;

// How long a write waits for another process's lock. A holder finishes a write in
// milliseconds; one that holds the lock for seconds is stopped or hung, and waiting on would
// hang the user's program behind it (Windows' writers do not wait either).
std::atomic<std::chrono::milliseconds::rep> g_lockWaitMs{2000};
constexpr auto kLockRetry = std::chrono::milliseconds(10);

std::optional<fs::path> profileFolder() {
    if (const char* dir = std::getenv("VIDUR_PROFILE_DIR"); dir && *dir) return fs::path(dir);
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return fs::path(xdg) / "vidur20";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || !*home) return std::nullopt;
    return fs::path(home) / ".config" / "vidur20";
}

// The names in a folder, until `visit` returns true; as many as could be read. Stepped with
// error codes: the range-for's step throws when the folder fails midway.
template <typename Visit>
void visitEntries(const fs::path& folder, Visit visit) {
    std::error_code ec;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec))
        if (visit(entry->path())) return;
}

// The existing file whose name equals fileName ignoring case, as Windows would open it.
fs::path matchingName(const fs::path& folder, std::string_view fileName) {
    std::error_code ec;
    if (fs::exists(folder / fileName, ec)) return folder / fileName;
    fs::path found = folder / fileName;
    visitEntries(folder, [&](const fs::path& entry) {
        if (vidur::text::compareFolded(entry.filename().string(), fileName) != 0) return false;
        found = entry;
        return true;
    });
    return found;
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool lockExclusive(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_lockWaitMs.load());
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLockRetry);
    }
    return true;
}

// ASCII letters in small letters: one lock for every spelling of a file name.
std::string lowerAscii(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// Removes the temporary files that writers of this file left when they were killed mid-write
// (".NAME.PID.N.tmp" whose process is gone). Called under the lock, so no live writer of
// this process tree is between creating and renaming one of those it sees.
void removeStaleTemporaries(const fs::path& folder, const std::string& fileName) {
    const std::string prefix = "." + fileName + ".";
    visitEntries(folder, [&prefix](const fs::path& entry) {
        const std::string name = entry.filename().string();
        if (!name.starts_with(prefix) || !name.ends_with(".tmp")) return false;
        const std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const std::size_t dot = rest.find('.');
        if (dot == std::string::npos) return false;
        const std::string pidText = rest.substr(0, dot);
        const std::string counter = rest.substr(dot + 1);
        const auto digits = [](const std::string& t) {
            return !t.empty() && t.size() <= 9 && t.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(pidText) || !digits(counter)) return false;
        const auto pid = static_cast<pid_t>(std::stol(pidText));
        // ESRCH: no such process. A live process (or one we may not signal) keeps its file.
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) ::unlink(entry.c_str());
        return false;
    });
}

// A temporary file beside the target, created afresh (the umask applies as to any new file).
int createTemporary(const fs::path& path, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Built by appending: GCC 12 at -O2 warns falsely (-Wrestrict) on "." + std::string&&.
        std::string name = ".";
        name += path.filename().string();
        const std::string parts[] = {std::to_string(::getpid()), std::to_string(counter.fetch_add(1)), "tmp"};
        for (const std::string& part : parts) name += "." + part;
        temporary = folder / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The new file keeps the old one's permissions.
bool keepPermissions(int fd, const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return true;
    return ::fchmod(fd, info.st_mode & 07777) == 0;
}

bool beforeRename(const fs::path& temporary) {
    std::lock_guard lock(g_hookMutex);
    return !g_beforeRename || g_beforeRename(temporary);
}

bool replaceFile(const fs::path& path, const std::string& text) {
    fs::path temporary;
    FileDescriptor temp(createTemporary(path, temporary));
    if (temp.get() < 0) return false;
    const bool written = keepPermissions(temp.get(), path) && writeAll(temp.get(), text) && ::fsync(temp.get()) == 0 &&
                         ::close(temp.release()) == 0;
    if (!written || !beforeRename(temporary) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    // Make the rename itself durable.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

// False when the file exists but cannot be read; a missing file reads as empty.
bool readExisting(const fs::path& path, ProfileFile& file) {
    ProfileStorage::Reading reading = ProfileStorage::readFile(path);
    if (reading.state == ProfileStorage::Reading::State::Unreadable) return false;
    file = std::move(reading.contents);
    return true;
}

} // namespace

std::optional<fs::path> ProfileStorage::resolvePath(std::string_view fileName) {
    if (fileName.empty()) return std::nullopt;
    if (fileName.find('/') != std::string_view::npos) return fs::path(fileName);
    const auto folder = profileFolder();
    if (!folder) return std::nullopt;
    return matchingName(*folder, fileName);
}

ProfileStorage::Reading ProfileStorage::readFile(const fs::path& path) {
    // Plain reads, not a stream: a stream's buffer throws on a read error (a folder of that
    // name reads as EISDIR), and nothing thrown may reach the programs that host us.
    Reading reading;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            reading.state = Reading::State::Unreadable;
            reading.problem = std::strerror(errno);
        }
        return reading;
    }
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            reading.state = Reading::State::Unreadable;
            reading.problem = std::strerror(errno);
            return reading;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    reading.state = Reading::State::Read;
    reading.contents = ProfileFile::parse(text);
    return reading;
}

ProfileFile ProfileStorage::read(const fs::path& path) { return readFile(path).contents; }

bool ProfileStorage::update(const fs::path& requested, const std::function<bool(ProfileFile&)>& edit, bool anySpelling,
                            const std::function<void()>& afterWrite) {
    // Replace a symbolic link's target, not the link.
    std::error_code ec;
    fs::path path = requested;
    if (fs::is_symlink(fs::symlink_status(requested, ec))) {
        path = fs::weakly_canonical(requested, ec);
        if (ec) return false;
    }
    ec.clear();
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    fs::create_directories(folder, ec);
    if (ec) return false;

    // One lock for every spelling, so two writers of "Halvora.INI" and "HALVORA.INI" take turns
    // and the second finds the file the first created.
    std::string lockName = ".";
    lockName += lowerAscii(path.filename().string()) + ".lock";
    const fs::path lockPath = folder / lockName;
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0 || !lockExclusive(lock.get())) return false;
    if (anySpelling) path = matchingName(folder, path.filename().string());
    removeStaleTemporaries(folder, path.filename().string());

    // Read under the lock, so a change another process made meanwhile is kept.
    ProfileFile file = ProfileFile::parse({});
    if (!readExisting(path, file)) return false; // never replace what we could not read
    if (edit(file) && !replaceFile(path, file.serialize())) return false;
    if (afterWrite) afterWrite();
    return true;
}

void ProfileStorage::setLockWait(std::chrono::milliseconds wait) { g_lockWaitMs = wait.count(); }

std::optional<std::string> ProfileStorage::getValue(std::string_view fileName, std::string_view section,
                                                    std::string_view key) {
    const auto path = resolvePath(fileName);
    if (!path) return std::nullopt;
    return read(*path).getValue(section, key);
}

bool ProfileStorage::setValue(std::string_view fileName, std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!ProfileFile::isWritableSectionName(section) || !ProfileFile::isWritableKeyName(key) ||
        !ProfileFile::isWritableValue(value))
        return false;
    const auto path = resolvePath(fileName);
    const bool bare = fileName.find('/') == std::string_view::npos;
    return path && update(
                       *path, [&](ProfileFile& file) { return file.setValue(section, key, value); }, bare);
}

void ProfileStorage::setBeforeRenameHook(std::function<bool(const fs::path&)> hook) {
    std::lock_guard lock(g_hookMutex);
    g_beforeRename = std::move(hook);
}

} // namespace vidur::text
