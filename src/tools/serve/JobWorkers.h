// SPDX-License-Identifier: MIT
// The threads that carry jobs to CUPS, one per job, so a slow scheduler never holds up the
// AppleTalk node. Finished threads are joined as new ones start and when the server stops.
// A job a thread could not cancel because CUPS was gone waits here until CUPS is back.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vidur::serve {

class JobWorkers {
public:
    ~JobWorkers(); // joins every thread
    void start(std::function<void()> work);
    void joinAll();
    std::size_t running();

    // A CUPS job to cancel once CUPS answers again (any thread).
    void cancelLater(std::string queue, int job);
    std::vector<std::pair<std::string, int>> takeCancels();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void reap(); // under the lock

    std::mutex mutex_;
    std::list<Worker> workers_;
    std::vector<std::pair<std::string, int>> cancels_;
};

} // namespace vidur::serve
