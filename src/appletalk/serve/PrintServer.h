// SPDX-License-Identifier: MIT
// The printers one node publishes: each queue's name registered with NBP on the node (in the
// node's zone) once a look-up has shown it free, its status and PAP servers, and the limits
// over them all (printers published, jobs at once). A name in use elsewhere is not taken; it
// is looked for again each minute. Runs on the node's thread, after the node has started.
#pragma once

#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/serve/ServeLimits.h"
#include "appletalk/serve/ServeLog.h"
#include "appletalk/serve/ServedPrinter.h"
#include "appletalk/services/nbp/NbpRegistry.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::serve {

enum class PublishState {
    Waiting, // the node has not started
    Checking, // looking up the name on the network
    Published,
    NameInUse, // another entity answers to the name
    Refused, // over the limit of printers, or no socket left
};

struct PrinterView {
    std::string queue;
    nbp::NbpName name; // with the node's zone once known
    PublishState state = PublishState::Waiting;
    std::string status; // the status text, while published
};

class PrintServer {
public:
    PrintServer(Node& node, runtime::NetworkOperations& network, ServeLimits limits, ServeLog& log);
    ~PrintServer();
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    // A new queue, or new settings for one already known (a new name is registered anew).
    void publish(PublishedPrinter printer);
    // Its name goes at once; a job still running ends first.
    void withdraw(const std::string& queue);
    void setState(const std::string& queue, const QueueState& state);
    // Every name unregistered and every connection closed (cancelled jobs included);
    // isStopped() once the last has ended.
    void stop();
    bool isStopped() const;

    std::vector<PrinterView> printers() const;
    std::size_t runningJobs() const;
    // The zone the names are in; empty until known (or on a network without zones).
    const std::string& zone() const { return zone_; }
    bool hasStarted() const { return started_; }

private:
    struct Entry {
        PublishedPrinter printer;
        PublishState state = PublishState::Waiting;
        std::unique_ptr<ServedPrinter> served;
        runtime::OperationId lookup = 0;
        std::uint64_t generation = 0; // tells a stale look-up's answer from the current one
    };

    void networkStarted(bool ok);
    void check(Entry& entry);
    void checked(const std::string& queue, std::uint64_t generation, bool inUse);
    void registerName(Entry& entry);
    void unregister(Entry& entry);
    // Printers whose names are gone go once their last job has.
    void reapLater();
    void recheckLater();
    bool admitsJob() const;
    nbp::NbpName shown(const nbp::NbpName& name) const;

    Node& node_;
    runtime::NetworkOperations& network_;
    ServeLimits limits_;
    ServeLog& log_;
    NbpRegistry registry_;
    bool started_ = false;
    bool stopping_ = false;
    std::string zone_;
    std::map<std::string, Entry> entries_;
    std::vector<std::unique_ptr<ServedPrinter>> retired_;
    std::uint64_t nextGeneration_ = 1;
    TimerId recheckTimer_ = 0;
    TimerId reaper_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // for the network's start callback
};

} // namespace appletalk::serve
