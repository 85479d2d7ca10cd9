// SPDX-License-Identifier: MIT
// Keeps the published printers in step with CUPS: each refresh asks CUPS for its queues and
// publishes those chosen (the queues named, or every shared queue of this server), withdraws
// those gone, passes on a queue stopped, started, refusing or accepting, and reads a queue's
// PPD again when CUPS says its setup changed. While CUPS does not answer, every printer says
// so in its status, and comes back as CUPS does.
#pragma once

#include "appletalk/serve/ServeSession.h"
#include "appletalk/serve/ServeSettings.h"
#include "tools/serve/CupsConnection.h"
#include "tools/serve/CupsDestination.h"
#include "tools/serve/CupsQueues.h"
#include "tools/serve/JobWorkers.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vidur::serve {

struct FollowerSettings {
    std::vector<appletalk::serve::QueueChoice> queues; // empty: every shared queue
    std::function<std::string(const std::string& queue)> nameFor; // a name the settings give
    std::string type = "LaserWriter";
    std::string defaultUser = "appletalk";
    // True once the caller is stopping: a refresh waiting on CUPS gives up.
    std::function<bool()> stopping;
};

class QueueFollower {
public:
    // Lines for the user (UTF-8, made safe by the caller's writer).
    using Say = std::function<void(const std::string& line)>;

    QueueFollower(appletalk::serve::ServeSession& session, FollowerSettings settings, JobWorkers& workers, Say say);

    void refresh();

private:
    struct Known {
        std::string name; // Mac OS Roman, as published
        int configChanged = 0;
        appletalk::serve::QueueState state;
        std::shared_ptr<CupsDestination> destination;
    };

    std::vector<const CupsQueue*> chosen(const std::vector<CupsQueue>& queues);
    void follow(const CupsQueue& queue);
    void cupsGone(const std::string& problem);
    // Jobs cut short while CUPS was away: cancelled now, so they never print.
    void cancelLeftovers();

    appletalk::serve::ServeSession& session_;
    FollowerSettings settings_;
    JobWorkers& workers_;
    Say say_;
    CupsConnection cups_; // after settings_: it asks settings_.stopping
    std::map<std::string, Known> known_;
    std::set<std::string> missing_; // named queues CUPS does not have, said once
    bool cupsDown_ = false;
};

} // namespace vidur::serve
