// SPDX-License-Identifier: MIT
#include "appletalk/serve/PrintServer.h"

#include <algorithm>

namespace appletalk::serve {

namespace {

using namespace std::chrono_literals;

// Three LkUps a second apart, as a Mac looks before it registers a name.
const runtime::LookupParameters kNameCheck{1s, 2, 4};
constexpr auto kRecheck = 1min;

std::string registerProblem(NbpRegisterResult result) {
    switch (result) {
    case NbpRegisterResult::Ok: return {};
    case NbpRegisterResult::InvalidName: return "it is not a name NBP can register";
    case NbpRegisterResult::InvalidSocket: return "no socket for it";
    case NbpRegisterResult::Duplicate: return "another queue is published under it";
    case NbpRegisterResult::NoRoom: return "too many names on its socket";
    }
    return "it could not be registered";
}

} // namespace

PrintServer::PrintServer(Node& node, runtime::NetworkOperations& network, ServeLimits limits, ServeLog& log)
    : node_(node), network_(network), limits_(limits), log_(log), registry_(node) {
    network_.whenStarted([this, alive = std::weak_ptr<bool>(alive_)](bool ok) {
        if (!alive.expired()) networkStarted(ok);
    });
}

PrintServer::~PrintServer() {
    node_.timers().cancel(recheckTimer_);
    node_.timers().cancel(reaper_);
    for (auto& [queue, entry] : entries_)
        if (entry.lookup != 0) network_.cancel(entry.lookup);
}

void PrintServer::networkStarted(bool ok) {
    if (!ok || started_) return;
    started_ = true;
    if (const auto info = network_.nodeInfo()) zone_ = info->zone;
    // On an extended cable a node knows its zone, and answers only for it.
    if (node_.isExtended() && !zone_.empty()) registry_.setZoneRule(nbp::NbpZoneRule::myZone(zone_));
    for (auto& [queue, entry] : entries_)
        if (entry.state == PublishState::Waiting) check(entry);
}

void PrintServer::publish(PublishedPrinter printer) {
    if (stopping_) return;
    const std::string queue = printer.queue;
    auto found = entries_.find(queue);
    if (found == entries_.end()) {
        Entry& entry = entries_[queue];
        entry.printer = std::move(printer);
        if (started_) check(entry);
        return;
    }
    Entry& entry = found->second;
    if (entry.printer.name == printer.name) {
        entry.printer = printer;
        if (entry.served) entry.served->update(std::move(printer));
        return;
    }
    unregister(entry);
    entry.printer = std::move(printer);
    entry.state = PublishState::Waiting;
    if (started_) check(entry);
}

void PrintServer::withdraw(const std::string& queue) {
    const auto found = entries_.find(queue);
    if (found == entries_.end()) return;
    unregister(found->second);
    entries_.erase(found);
}

void PrintServer::setState(const std::string& queue, const QueueState& state) {
    const auto found = entries_.find(queue);
    if (found == entries_.end()) return;
    found->second.printer.state = state;
    if (found->second.served) found->second.served->setState(state);
}

void PrintServer::check(Entry& entry) {
    if (stopping_) return;
    if (!registry_.isOpen()) {
        entry.state = PublishState::Refused;
        log_.notPublished(entry.printer.queue, shown(entry.printer.name), "the node's NBP socket is taken");
        return;
    }
    entry.state = PublishState::Checking;
    entry.generation = nextGeneration_++;
    auto inUse = std::make_shared<bool>(false);
    const nbp::NbpName pattern{entry.printer.name.object, entry.printer.name.type, "*"};
    entry.lookup = network_.lookup(
        pattern, kNameCheck, [inUse](const nbp::NbpTuple&) { *inUse = true; },
        // Answers that could not be read name no device: only a tuple holds the name.
        [this, queue = entry.printer.queue, generation = entry.generation, inUse](int) {
            checked(queue, generation, *inUse);
        });
}

void PrintServer::checked(const std::string& queue, std::uint64_t generation, bool inUse) {
    const auto found = entries_.find(queue);
    if (found == entries_.end() || found->second.generation != generation) return;
    Entry& entry = found->second;
    entry.lookup = 0;
    if (!inUse) return registerName(entry);
    entry.state = PublishState::NameInUse;
    log_.notPublished(queue, shown(entry.printer.name), "another device on the network answers to the name");
    recheckLater();
}

void PrintServer::registerName(Entry& entry) {
    const auto published = std::count_if(entries_.begin(), entries_.end(),
                                         [](const auto& pair) { return pair.second.state == PublishState::Published; });
    if (static_cast<std::size_t>(published) >= limits_.maxPrinters) {
        entry.state = PublishState::Refused;
        log_.notPublished(entry.printer.queue, shown(entry.printer.name),
                          "no more than " + std::to_string(limits_.maxPrinters) + " printers are published");
        return;
    }
    auto served = std::make_unique<ServedPrinter>(
        node_, entry.printer, limits_, log_, [this] { return admitsJob(); }, [this] { reapLater(); });
    std::string problem = served->isOpen()
                              ? registerProblem(registry_.registerName(entry.printer.name, served->socket()))
                              : std::string("no socket is left on the node");
    if (!problem.empty()) {
        entry.state = PublishState::Refused;
        log_.notPublished(entry.printer.queue, shown(entry.printer.name), problem);
        return;
    }
    entry.served = std::move(served);
    entry.state = PublishState::Published;
    log_.published(entry.printer.queue, shown(entry.printer.name));
}

void PrintServer::unregister(Entry& entry) {
    if (entry.lookup != 0) network_.cancel(entry.lookup);
    entry.lookup = 0;
    ++entry.generation;
    if (entry.state == PublishState::Published) {
        registry_.removeName(entry.printer.name);
        log_.withdrawn(entry.printer.queue, shown(entry.printer.name));
    }
    entry.state = PublishState::Waiting;
    if (entry.served && entry.served->hasJob()) {
        retired_.push_back(std::move(entry.served));
    }
    entry.served.reset();
}

void PrintServer::stop() {
    if (stopping_) return;
    stopping_ = true;
    node_.timers().cancel(recheckTimer_);
    recheckTimer_ = 0;
    for (auto& [queue, entry] : entries_) unregister(entry);
    entries_.clear();
    for (auto& served : retired_) served->stopJob();
}

bool PrintServer::isStopped() const {
    return stopping_ && std::none_of(retired_.begin(), retired_.end(), [](const auto& s) { return s->hasJob(); });
}

void PrintServer::reapLater() {
    // Called from a printer's own job events: it is destroyed from a timer, outside them.
    if (reaper_ != 0) return;
    reaper_ = node_.timers().scheduleAfter(Duration::zero(), [this] {
        reaper_ = 0;
        std::erase_if(retired_, [](const auto& served) { return !served->hasJob(); });
    });
}

void PrintServer::recheckLater() {
    if (recheckTimer_ != 0) return;
    recheckTimer_ = node_.timers().scheduleAfter(kRecheck, [this] {
        recheckTimer_ = 0;
        for (auto& [queue, entry] : entries_)
            if (entry.state == PublishState::NameInUse) check(entry);
    });
}

bool PrintServer::admitsJob() const { return !stopping_ && runningJobs() < limits_.maxJobs; }

std::size_t PrintServer::runningJobs() const {
    std::size_t jobs = 0;
    for (const auto& [queue, entry] : entries_)
        if (entry.served && entry.served->hasJob()) ++jobs;
    for (const auto& served : retired_)
        if (served->hasJob()) ++jobs;
    return jobs;
}

std::vector<PrinterView> PrintServer::printers() const {
    std::vector<PrinterView> views;
    for (const auto& [queue, entry] : entries_)
        views.push_back(
            {queue, shown(entry.printer.name), entry.state, entry.served ? entry.served->statusText() : std::string()});
    return views;
}

nbp::NbpName PrintServer::shown(const nbp::NbpName& name) const {
    return {name.object, name.type, zone_.empty() ? std::string("*") : zone_};
}

} // namespace appletalk::serve
