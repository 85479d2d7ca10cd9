// SPDX-License-Identifier: MIT
#include "VidurProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vidur::cli::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> mergedEnvironment(const VidurProcess::Environment& overrides) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (overrides.count(name) == 0) merged.push_back(text);
    }
    for (const auto& [name, value] : overrides) {
        if (value) merged.push_back(name + "=" + *value);
    }
    // The machine's own system settings never reach a test's process.
    if (overrides.count("VIDUR_SYSTEM_SETTINGS_DIR") == 0 && std::getenv("VIDUR_SYSTEM_SETTINGS_DIR") == nullptr)
        merged.push_back("VIDUR_SYSTEM_SETTINGS_DIR=/nonexistent/vidur20");
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> list;
    for (auto& text : strings) list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The launcher's program runs the rest of the launcher, then vidur with its arguments.
std::vector<std::string> launchedArguments(const std::vector<std::string>& launcher,
                                           const std::vector<std::string>& arguments) {
    std::vector<std::string> all(launcher.begin() + (launcher.empty() ? 0 : 1), launcher.end());
    if (!launcher.empty()) all.push_back(VIDUR_BINARY);
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

} // namespace

VidurProcess::VidurProcess(const std::vector<std::string>& arguments, const Environment& environment,
                           const std::vector<std::string>& launcher)
    : VidurProcess(launcher.empty() ? std::string(VIDUR_BINARY) : launcher.front(),
                   launchedArguments(launcher, arguments), environment) {}

VidurProcess::VidurProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Environment& environment) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) return;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = mergedEnvironment(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envp);
    if (::posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(), envPointers.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

VidurProcess::~VidurProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
}

bool VidurProcess::readSome(int waitMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) return false;
    if (::poll(fds, 2, waitMs) <= 0) return true;
    int* descriptors[2] = {&outFd_, &errFd_};
    std::string* sinks[2] = {&result_.out, &result_.err};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0)
            sinks[i]->append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR) {
            ::close(*descriptors[i]);
            *descriptors[i] = -1;
        }
    }
    return outFd_ >= 0 || errFd_ >= 0;
}

bool VidurProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout, int times) {
    return waitFor(result_.out, text, timeout, times);
}

bool VidurProcess::waitForError(const std::string& text, std::chrono::milliseconds timeout) {
    return waitFor(result_.err, text, timeout, 1);
}

bool VidurProcess::waitFor(const std::string& stream, const std::string& text, std::chrono::milliseconds timeout,
                           int times) {
    const auto deadline = Clock::now() + timeout;
    auto count = [&] {
        int found = 0;
        for (auto at = stream.find(text); at != std::string::npos; at = stream.find(text, at + text.size())) ++found;
        return found;
    };
    while (count() < times) {
        if (Clock::now() >= deadline || !readSome(std::min(remainingMs(deadline), 100))) return false;
    }
    return true;
}

void VidurProcess::signal(int number) {
    if (pid_ > 0) ::kill(pid_, number);
}

ProcessResult VidurProcess::finish(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (readSome(std::min(remainingMs(deadline), 100)) && Clock::now() < deadline) {}
    if (pid_ > 0) {
        int status = 0;
        // A descriptor that becomes readable when the process ends: no polling of waitpid.
        const int exited = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        if (exited >= 0) {
            pollfd fd{exited, POLLIN, 0};
            while (::poll(&fd, 1, remainingMs(deadline)) < 0 && errno == EINTR) {}
            ::close(exited);
        }
        const pid_t done = ::waitpid(pid_, &status, exited >= 0 ? WNOHANG : 0);
        if (done == pid_)
            result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        else {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    return result_;
}

ProcessResult VidurProcess::run(const std::vector<std::string>& arguments, const Environment& environment,
                                std::chrono::milliseconds timeout, const std::vector<std::string>& launcher) {
    VidurProcess process(arguments, environment, launcher);
    return process.finish(timeout);
}

ProcessResult VidurProcess::runProgram(const std::string& program, const std::vector<std::string>& arguments,
                                       const Environment& environment, std::chrono::milliseconds timeout) {
    VidurProcess process(program, arguments, environment);
    return process.finish(timeout);
}

} // namespace vidur::cli::testing
