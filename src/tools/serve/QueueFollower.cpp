// SPDX-License-Identifier: MIT
#include "tools/serve/QueueFollower.h"

#include "text/MacRoman.h"
#include "tools/serve/PpdReader.h"
#include "tools/serve/PublishedName.h"

#include <cups/cups.h>

#include <algorithm>

namespace vidur::serve {

namespace {

using appletalk::serve::PrinterDescription;
using appletalk::serve::QueueState;
using vidur::text::utf8ToMacRoman;

QueueState stateOf(const CupsQueue& queue) {
    return {queue.stopped, queue.accepting, utf8ToMacRoman(queue.reason()).macRoman};
}

} // namespace

QueueFollower::QueueFollower(appletalk::serve::ServeSession& session, FollowerSettings settings, JobWorkers& workers,
                             Say say)
    : session_(session),
      settings_(std::move(settings)),
      workers_(workers),
      say_(std::move(say)),
      cups_(std::chrono::seconds(30), settings_.stopping) {}

void QueueFollower::refresh() {
    std::string problem;
    const auto queues = listQueues(cups_, problem);
    if (settings_.stopping && settings_.stopping()) return; // cut short by the stop, not by CUPS
    if (!queues) return cupsGone(problem);
    if (cupsDown_) say_("CUPS at " + CupsConnection::serverName() + " answers again");
    cupsDown_ = false;
    cancelLeftovers();
    const auto wanted = chosen(*queues);
    std::set<std::string> names;
    for (const CupsQueue* queue : wanted) names.insert(queue->name);
    for (auto it = known_.begin(); it != known_.end();) {
        if (names.count(it->first) != 0) {
            ++it;
            continue;
        }
        session_.withdraw(it->first);
        it = known_.erase(it);
    }
    for (const CupsQueue* queue : wanted) follow(*queue);
}

std::vector<const CupsQueue*> QueueFollower::chosen(const std::vector<CupsQueue>& queues) {
    std::vector<const CupsQueue*> wanted;
    if (settings_.queues.empty()) {
        for (const CupsQueue& queue : queues)
            if (queue.shared && !queue.remote) wanted.push_back(&queue);
        return wanted;
    }
    for (const auto& choice : settings_.queues) {
        const auto found = std::find_if(queues.begin(), queues.end(),
                                        [&](const CupsQueue& queue) { return queue.name == choice.queue; });
        if (found != queues.end()) {
            wanted.push_back(&*found);
            missing_.erase(choice.queue);
        } else if (missing_.insert(choice.queue).second) {
            say_("CUPS has no queue '" + choice.queue + "'; it is published once it has");
        }
    }
    return wanted;
}

void QueueFollower::follow(const CupsQueue& queue) {
    std::string asked;
    for (const auto& choice : settings_.queues)
        if (choice.queue == queue.name) asked = choice.name;
    if (asked.empty() && settings_.nameFor) asked = settings_.nameFor(queue.name);
    const std::string name = publishedName(asked, queue.info, queue.name);
    const QueueState state = stateOf(queue);
    auto found = known_.find(queue.name);
    if (found != known_.end() && found->second.name == name && found->second.configChanged == queue.configChanged) {
        Known& known = found->second;
        if (known.state == state) return;
        known.state = state;
        known.destination->setState(state);
        session_.setState(queue.name, state);
        return;
    }
    Known& known = known_[queue.name];
    if (!known.destination)
        known.destination = std::make_shared<CupsDestination>(
            queue.name, settings_.defaultUser, [this](std::function<void()> task) { session_.post(std::move(task)); },
            workers_);
    known.name = name;
    known.configChanged = queue.configChanged;
    known.state = state;
    known.destination->setState(state);
    const auto ppd = fetchPpd(cups_, queue.name);
    appletalk::serve::PublishedPrinter printer;
    printer.queue = queue.name;
    printer.name = {name, utf8ToMacRoman(settings_.type).macRoman, "*"};
    printer.description = ppd ? describeFromPpd(*ppd) : PrinterDescription::genericLevel2();
    printer.state = state;
    printer.destination = known.destination;
    session_.publish(std::move(printer));
}

void QueueFollower::cancelLeftovers() {
    for (auto& cancel : workers_.takeCancels()) {
        cups_.arm();
        cupsSetUser(cancel.user.c_str()); // its owner may cancel it
        const ipp_status_t status = cupsCancelJob2(cups_.http(), cancel.queue.c_str(), cancel.job, 0);
        cupsSetUser(nullptr);
        const std::string name = cancel.queue + "-" + std::to_string(cancel.job);
        if (status >= IPP_STATUS_ERROR_INTERNAL)
            workers_.cancelLater(std::move(cancel));
        else
            say_("cancelled job " + name + ", cut short while CUPS was away");
    }
}

void QueueFollower::cupsGone(const std::string& problem) {
    if (!cupsDown_) say_(problem + "; the printers say so until it answers");
    cupsDown_ = true;
    const QueueState down{true, false, "the print server cannot reach CUPS"};
    for (auto& [queue, known] : known_) {
        if (known.state == down) continue;
        known.state = down;
        known.destination->setState(down);
        session_.setState(queue, down);
    }
}

} // namespace vidur::serve
