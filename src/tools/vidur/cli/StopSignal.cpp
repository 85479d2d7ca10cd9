// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vidur::cli {

namespace {

// A handler may only touch lock-free atomics and call async-signal-safe functions.
std::atomic<bool> stopRequested{false};
std::atomic<int> pipeWrite{-1};
int pipeRead = -1;

void onSignal(int) { StopSignal::request(); }

} // namespace

StopSignal::StopSignal() {
    stopRequested.store(false);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        pipeRead = fds[0];
        pipeWrite.store(fds[1]);
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &oldInterrupt_);
    ::sigaction(SIGTERM, &action, &oldTerminate_);
}

StopSignal::~StopSignal() {
    ::sigaction(SIGINT, &oldInterrupt_, nullptr);
    ::sigaction(SIGTERM, &oldTerminate_, nullptr);
    if (const int fd = pipeWrite.exchange(-1); fd >= 0) ::close(fd);
    if (pipeRead >= 0) ::close(pipeRead);
    pipeRead = -1;
}

bool StopSignal::requested() { return stopRequested.load(); }

void StopSignal::request() {
    const int savedErrno = errno;
    stopRequested.store(true);
    if (const int fd = pipeWrite.load(); fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

int StopSignal::waitHandle() const { return pipeRead; }

bool StopSignal::waitFor(int milliseconds) const {
    if (requested()) return true;
    pollfd fd{pipeRead, POLLIN, 0};
    while (::poll(&fd, 1, milliseconds) < 0 && errno == EINTR) {
        if (requested()) return true;
    }
    return requested();
}

} // namespace vidur::cli
