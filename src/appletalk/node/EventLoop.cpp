// SPDX-License-Identifier: MIT
#include "appletalk/node/EventLoop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace appletalk {

namespace {

// A pollable that always has work gets this many passes before tasks get their turn.
constexpr int kMaxPollPasses = 64;
// An upper bound on any sleep, so a missed wake-up costs at most this much.
constexpr int kMaxWaitMs = 1000;

} // namespace

EventLoop::EventLoop(const Clock& clock) : clock_(clock), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

EventLoop::~EventLoop() {
    stop();
    // Nodes may outlive the loop: they must not wake it any more.
    for (Pollable* pollable : pollables_) {
        if (pollable != nullptr) pollable->setWakeHandler(nullptr);
    }
    ::close(wakeFd_);
}

void EventLoop::start() {
    if (running_) return;
    stopping_ = false;
    running_ = true;
    thread_ = std::thread([this] { run(); });
}

void EventLoop::stop() {
    if (!thread_.joinable()) return;
    if (onLoopThread()) throw std::logic_error("EventLoop::stop called from its own thread");
    stopping_ = true;
    wake();
    thread_.join();
    running_ = false;
}

void EventLoop::add(Pollable& pollable) {
    invoke([this, &pollable] {
        pollables_.push_back(&pollable);
        pollable.setWakeHandler([this] { wake(); });
    });
    wake();
}

void EventLoop::remove(Pollable& pollable) {
    invoke([this, &pollable] {
        std::replace(pollables_.begin(), pollables_.end(), &pollable, static_cast<Pollable*>(nullptr));
        pollable.setWakeHandler(nullptr);
    });
}

void EventLoop::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake();
}

void EventLoop::wake() {
    // From the loop's own thread (a node handing a frame to its neighbours on a wire) the
    // loop is awake already: it only must not sleep before it looks again. A wire of
    // thousands of nodes would otherwise pay a system call per node for every broadcast.
    if (onLoopThread()) {
        wokenFromInside_ = true;
        return;
    }
    const std::uint64_t one = 1;
    // A full counter already means "wake up", so a failed write loses nothing.
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void EventLoop::run() {
    loopThread_ = std::this_thread::get_id();
    for (;;) {
        runTasks();
        if (stopping_) break;
        const bool busy = pollAll();
        if (stopping_) continue;
        const bool woken = std::exchange(wokenFromInside_, false);
        waitForWork(busy || woken ? 0 : waitTimeoutMs());
    }
    // Whatever was posted meanwhile still runs: a caller may be waiting on it.
    while (runTasks()) {}
    loopThread_ = std::thread::id();
}

bool EventLoop::runTasks() {
    std::vector<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(tasks_);
    }
    for (Task& task : batch) task();
    return !batch.empty();
}

bool EventLoop::pollAll() {
    bool worked = false;
    for (int pass = 0; pass < kMaxPollPasses; ++pass) {
        worked = false;
        // By index: a pollable may add another while being polled.
        for (std::size_t i = 0; i < pollables_.size(); ++i) {
            if (pollables_[i] != nullptr && pollables_[i]->poll()) worked = true;
        }
        compact();
        if (!worked) break;
    }
    return worked;
}

void EventLoop::compact() {
    pollables_.erase(std::remove(pollables_.begin(), pollables_.end(), nullptr), pollables_.end());
}

int EventLoop::waitTimeoutMs() const {
    std::optional<SteadyTime> next;
    for (const Pollable* pollable : pollables_) {
        if (pollable == nullptr) continue;
        const auto deadline = pollable->nextDeadline();
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    if (!next) return kMaxWaitMs;
    const auto remaining = *next - clock_.now();
    if (remaining <= Duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return static_cast<int>(std::min<decltype(ms)>(ms, kMaxWaitMs));
}

void EventLoop::waitForWork(int timeoutMs) {
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
    for (const Pollable* pollable : pollables_) {
        if (pollable == nullptr) continue;
        if (const int handle = pollable->waitHandle(); handle >= 0) fds.push_back({handle, POLLIN, 0});
    }
    ::poll(fds.data(), fds.size(), timeoutMs);
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd_, &count, sizeof count);
}

} // namespace appletalk
