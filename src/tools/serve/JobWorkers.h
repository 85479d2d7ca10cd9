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
#include <vector>

namespace vidur::serve {

class JobWorkers {
public:
    ~JobWorkers(); // joins every thread
    void start(std::function<void()> work);
    void joinAll();
    std::size_t running();

    // A CUPS job to cancel once CUPS answers again (any thread), on behalf of its owner: CUPS
    // lets a job's owner cancel it.
    struct Cancel {
        std::string queue;
        int job = 0;
        std::string user;
    };
    void cancelLater(Cancel cancel);
    std::vector<Cancel> takeCancels();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void reap(); // under the lock

    std::mutex mutex_;
    std::list<Worker> workers_;
    std::vector<Cancel> cancels_;
};

} // namespace vidur::serve
