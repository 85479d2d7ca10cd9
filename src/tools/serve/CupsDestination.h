// SPDX-License-Identifier: MIT
// A CUPS queue as the destination of a published printer's jobs. Each job goes to CUPS with
// libcups' job functions on a thread of its own: Create-Job (titled from %%Title:, on behalf
// of the %%For: user or the configured default), then one application/postscript document
// sent as the bytes arrive, and closed only after the last. CUPS' answer (the job's number, or
// its error) comes back as the job's report; a job cancelled before CUPS took it all is
// cancelled in CUPS too, so it never prints. Events reach the node's thread through `post`.
#pragma once

#include "appletalk/serve/JobDestination.h"
#include "appletalk/serve/QueueState.h"
#include "tools/serve/JobWorkers.h"

#include <functional>
#include <mutex>
#include <string>

namespace vidur::serve {

class CupsDestination final : public appletalk::serve::JobDestination {
public:
    using Post = std::function<void(std::function<void()>)>;

    CupsDestination(std::string queue, std::string defaultUser, Post post, JobWorkers& workers);

    // The queue's state as last seen (any thread): a job sent to a stopped queue hears why.
    void setState(const appletalk::serve::QueueState& state);

    std::unique_ptr<appletalk::serve::JobSink> open(const appletalk::serve::JobTicket& ticket,
                                                    appletalk::serve::JobSinkEvents events) override;

private:
    std::string queue_;
    std::string defaultUser_;
    Post post_;
    JobWorkers& workers_;
    std::mutex mutex_;
    appletalk::serve::QueueState state_;
};

} // namespace vidur::serve
