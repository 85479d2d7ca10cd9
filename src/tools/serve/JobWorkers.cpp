// SPDX-License-Identifier: MIT
#include "tools/serve/JobWorkers.h"

#include <utility>

namespace vidur::serve {

JobWorkers::~JobWorkers() { joinAll(); }

void JobWorkers::start(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    reap();
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::thread([work = std::move(work), done] {
                            work();
                            done->store(true);
                        }),
                        done});
}

void JobWorkers::reap() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (!it->done->load()) {
            ++it;
            continue;
        }
        it->thread.join();
        it = workers_.erase(it);
    }
}

void JobWorkers::joinAll() {
    std::list<Worker> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(workers_);
    }
    for (auto& worker : all) worker.thread.join();
}

std::size_t JobWorkers::running() {
    std::lock_guard lock(mutex_);
    reap();
    return workers_.size();
}

void JobWorkers::cancelLater(Cancel cancel) {
    std::lock_guard lock(mutex_);
    cancels_.push_back(std::move(cancel));
}

std::vector<JobWorkers::Cancel> JobWorkers::takeCancels() {
    std::lock_guard lock(mutex_);
    return std::exchange(cancels_, {});
}

} // namespace vidur::serve
