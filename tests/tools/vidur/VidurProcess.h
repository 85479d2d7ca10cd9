// SPDX-License-Identifier: MIT
// The built `vidur` binary run as a user runs it: its own process, stdout and stderr
// captured, a private profile folder and no network chosen unless a test says so. Every wait
// is bounded; a process still running when its object goes is killed.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vidur::cli::testing {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit by itself in time
    std::string out;
    std::string err;
};

class VidurProcess {
public:
    // `environment` overrides the test's own; a value of nullopt removes the variable.
    using Environment = std::map<std::string, std::optional<std::string>>;

    // `launcher`, when given, runs the binary (e.g. {"ip", "netns", "exec", NAME}).
    VidurProcess(const std::vector<std::string>& arguments, const Environment& environment,
                 const std::vector<std::string>& launcher = {});
    // Another program than `vidur` (a path), run the same way.
    VidurProcess(const std::string& program, const std::vector<std::string>& arguments, const Environment& environment);
    ~VidurProcess();
    VidurProcess(const VidurProcess&) = delete;
    VidurProcess& operator=(const VidurProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Reads until stdout holds `text` `times` times (true) or the process ends or time runs
    // out (false).
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout, int times = 1);
    // The same for standard error.
    bool waitForError(const std::string& text, std::chrono::milliseconds timeout);
    void signal(int number);
    // Waits for the exit; after `timeout` the process is killed and exitCode is -1.
    ProcessResult finish(std::chrono::milliseconds timeout);

    static ProcessResult run(const std::vector<std::string>& arguments, const Environment& environment,
                             std::chrono::milliseconds timeout = std::chrono::seconds(60),
                             const std::vector<std::string>& launcher = {});
    static ProcessResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                                    const Environment& environment, std::chrono::milliseconds timeout);

private:
    // Reads what is there, waiting up to `waitMs`; false once both pipes are closed.
    bool readSome(int waitMs);
    bool waitFor(const std::string& stream, const std::string& text, std::chrono::milliseconds timeout, int times);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ProcessResult result_;
};

} // namespace vidur::cli::testing
