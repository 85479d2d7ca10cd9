// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/VolumeMounter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "appletalk/afp/server/auth/Secret.h"
#include "appletalk/afp/volume/UniqueFd.h"

extern char** environ;

namespace vidur::cli {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using appletalk::afp::UniqueFd;

// The descriptor the password is read from in the mount command.
constexpr int kPasswordFd = 3;
// A mount that neither succeeds nor fails in this time is given up.
constexpr auto kMountLimit = 120s;

struct Pipe {
    UniqueFd read, write;
    bool make() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        read = UniqueFd(fds[0]);
        write = UniqueFd(fds[1]);
        return true;
    }
};

// The password in a pipe, whole before the command starts (it is far below a pipe's size).
bool passwordPipe(const std::string& password, Pipe& pipe) {
    if (!pipe.make()) return false;
    // The command's descriptor is dup2'd from this one, which must not be that number.
    if (pipe.read.get() == kPasswordFd) pipe.read = UniqueFd(::fcntl(kPasswordFd, F_DUPFD_CLOEXEC, kPasswordFd + 1));
    std::string line = password + "\n";
    const bool written = ::write(pipe.write.get(), line.data(), line.size()) == static_cast<ssize_t>(line.size());
    appletalk::afp::wipe(line);
    pipe.write.reset();
    return written && pipe.read.get() >= 0;
}

// Waits for the command's exit, at most the limit (then it is stopped); its exit status, or
// -1 when it did not exit by itself.
int awaitExit(pid_t pid) {
    int status = 0;
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidFd >= 0) {
        pollfd exited{pidFd, POLLIN, 0};
        const int ready = ::poll(&exited, 1, static_cast<int>(std::chrono::milliseconds(kMountLimit).count()));
        ::close(pidFd);
        if (ready <= 0) ::kill(pid, SIGTERM);
    }
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    ::lseek(fd, 0, SEEK_SET);
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// The command's own reason: its last line that says "vidur mount: ...", else its last line.
std::string reasonIn(const std::string& said, int status) {
    constexpr std::string_view kPrefix = "vidur mount: ";
    std::string reason, last;
    std::size_t start = 0;
    while (start < said.size()) {
        std::size_t end = said.find('\n', start);
        if (end == std::string::npos) end = said.size();
        const std::string line = said.substr(start, end - start);
        if (!line.empty()) last = line;
        if (line.starts_with(kPrefix)) reason = line.substr(kPrefix.size());
        start = end + 1;
    }
    if (!reason.empty()) return reason;
    if (!last.empty()) return last;
    return status < 0 ? "vidur mount did not finish" : "vidur mount ended with status " + std::to_string(status);
}

} // namespace

std::optional<fs::path> VolumeMounter::defaultBase() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    return fs::path(home) / "AppleShare";
}

std::optional<fs::path> VolumeMounter::folderFor(const std::string& volume) const {
    std::string name = volume;
    std::replace(name.begin(), name.end(), '/', ':');
    // A server names its volumes: "." or ".." would put the mount on the base or above it.
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos) return std::nullopt;
    return base_ / name;
}

bool VolumeMounter::mount(const std::string& volume, const fs::path& folder, std::string& problem) const {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        problem = "cannot make " + folder.string() + ": " + error.message();
        return false;
    }
    // Names come from the network: each value is joined to its option and the positionals
    // follow "--", so no name can pass for an option (a volume called "--help").
    std::vector<std::string> arguments{"vidur", "mount", "--volume=" + volume};
    Pipe password;
    if (!login_.user.empty()) {
        if (!passwordPipe(login_.password, password)) {
            problem = std::string("cannot pass the password: ") + std::strerror(errno);
            return false;
        }
        arguments.insert(arguments.end(),
                         {"--user=" + login_.user, "--password-file=/dev/fd/" + std::to_string(kPasswordFd)});
    }
    arguments.insert(arguments.end(), {"--", server_, folder.string()});
    // What the command says goes to a file in memory rather than a pipe: once in the
    // background, the mount may still write, where a pipe closed after its exit would end it.
    const UniqueFd said(::memfd_create("vidur-mount-output", MFD_CLOEXEC));
    if (said.get() < 0) {
        problem = std::string("cannot run vidur mount: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, said.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, said.get(), STDERR_FILENO);
    if (password.read.get() >= 0) posix_spawn_file_actions_adddup2(&actions, password.read.get(), kPasswordFd);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    password.read.reset();
    if (spawned != 0) {
        problem = std::string("cannot run vidur mount: ") + std::strerror(spawned);
        return false;
    }
    const int status = awaitExit(pid);
    const std::string output = readAll(said.get());
    if (status == 0 && output.find("mounted ") != std::string::npos) return true;
    problem = reasonIn(output, status);
    return false;
}

} // namespace vidur::cli
