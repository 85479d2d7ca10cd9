// SPDX-License-Identifier: MIT
// The one background thread that owns the stack's nodes, sockets and timers. Callers on
// other threads post tasks (or invoke and wait for a result) and return at once; the thread
// runs the tasks, polls every node until nothing is left to do, then sleeps until the next
// timer, link input or task.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Pollable.h"

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace appletalk {

class EventLoop {
public:
    using Task = std::function<void()>;

    // With a ManualClock, advance it inside a task (invoke) so the loop sees the new time.
    explicit EventLoop(const Clock& clock);
    ~EventLoop(); // stops the thread
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void start();
    // Runs what is already posted, then joins. Not from the loop thread itself, and not
    // while other threads still post or invoke.
    void stop();
    bool isRunning() const { return running_.load(); }
    bool onLoopThread() const { return std::this_thread::get_id() == loopThread_.load(); }

    // The loop polls `pollable` from now on. Both may be called from any thread; after
    // remove returns, the loop no longer touches it.
    void add(Pollable& pollable);
    void remove(Pollable& pollable);

    void post(Task task);
    // Runs `function` on the loop thread and returns its result (at once when already on
    // it, or when the loop is not running).
    template <typename Function>
    auto invoke(Function&& function) -> std::invoke_result_t<Function&> {
        using Result = std::invoke_result_t<Function&>;
        if (onLoopThread() || !isRunning()) return function();
        std::packaged_task<Result()> task(std::forward<Function>(function));
        auto result = task.get_future();
        post([&task] { task(); });
        return result.get();
    }

    // Makes the thread look again at its tasks and nodes.
    void wake();

private:
    void run();
    bool runTasks();
    bool pollAll();
    int waitTimeoutMs() const;
    void waitForWork(int timeoutMs);
    void compact();

    const Clock& clock_;
    int wakeFd_;
    std::thread thread_;
    std::atomic<std::thread::id> loopThread_{};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> running_{false};
    std::mutex mutex_;
    std::vector<Task> tasks_;
    // Touched only on the loop thread (or before start); removed entries are nulled while
    // a poll pass may be iterating, and compacted after it.
    std::vector<Pollable*> pollables_;
    bool wokenFromInside_ = false; // on the loop thread only: look again before sleeping
};

} // namespace appletalk
