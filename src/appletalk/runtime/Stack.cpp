// SPDX-License-Identifier: MIT
#include "appletalk/runtime/Stack.h"

#include "appletalk/node/ethertalk/EtherTalkLink.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/node/service/NodeServiceLink.h"
#include "appletalk/runtime/DebugLog.h"
#include "appletalk/runtime/EmbeddedNetwork.h"
#include "appletalk/runtime/NodeServicePaths.h"
#include "appletalk/runtime/OfflineNetwork.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

namespace appletalk::runtime {

namespace {

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<Stack>& instanceSlot() {
    static std::shared_ptr<Stack> stack;
    return stack;
}

std::string& startProblemSlot() {
    static std::string problem;
    return problem;
}

// An EtherTalk node probes twice (a start-up address, then one in the cable's range) and asks
// for its zone in between: longer than a LocalTalk node's start.
Duration firstStartWaitFor(const StackSettings& settings, const StackOptions& options) {
    if (settings.link != LinkKind::EtherTalk || options.link != nullptr) return options.firstStartWait;
    return std::max<Duration>(options.firstStartWait, std::chrono::seconds(10));
}

std::uint32_t randomHandleStart() { return static_cast<std::uint32_t>(std::random_device{}()) | 1u; }

} // namespace

std::shared_ptr<Stack> Stack::instance() {
    std::lock_guard lock(instanceMutex());
    auto& slot = instanceSlot();
    // After the node service went away, the next use starts again: on the service once it is
    // back, else on a node of this process's own.
    if (slot && slot->lostNodeService()) slot.reset();
    if (!slot) {
        try {
            slot = std::make_shared<Stack>(StackSettings::load());
            startProblemSlot().clear();
        } catch (const std::exception& error) {
            startProblemSlot() = error.what();
            DebugLog::note(std::string("the AppleTalk stack could not start: ") + error.what());
        }
    }
    return slot;
}

std::string Stack::startProblem() {
    std::lock_guard lock(instanceMutex());
    return startProblemSlot();
}

std::shared_ptr<Stack> Stack::current() {
    std::lock_guard lock(instanceMutex());
    return instanceSlot();
}

void Stack::install(std::shared_ptr<Stack> stack) {
    std::shared_ptr<Stack> old;
    {
        std::lock_guard lock(instanceMutex());
        old = std::exchange(instanceSlot(), std::move(stack));
    }
    // The old stack stops here, outside the lock, unless a caller still holds it.
}

Stack::Stack(StackSettings settings, StackOptions options)
    : settings_(std::move(settings)),
      clock_(options.clock != nullptr ? options.clock : &systemClock_),
      ownThread_(options.ownThread),
      firstStartWait_(firstStartWaitFor(settings_, options)),
      zones_(randomHandleStart()),
      lookups_(randomHandleStart()),
      loop_(*clock_) {
    for (const std::string& problem : settings_.problems) DebugLog::note("setting ignored: " + problem);
    openLink(options);
    if (link_ != nullptr) {
        ExtendedMemory memory;
        if (settings_.link == LinkKind::EtherTalk && options.link == nullptr && settings_.remembersAddress &&
            nodeService_.empty()) {
            const auto kept = StackSettings::readEtherTalkMemory();
            memory.network = kept.network;
            memory.node = kept.node;
            memory.zone = kept.zone;
            memory.save = [](const ExtendedMemory& now) {
                StackSettings::writeEtherTalkMemory({now.network, now.node, now.zone});
            };
        }
        NodeConfig config;
        if (options.server) config.acquisition.role = NodeRole::Server;
        probeTiming(options).applyTo(config.acquisition);
        config.seed = options.seed;
        // On EtherTalk the address of last time is probed first, node id and all.
        config.acquisition.preferredId = memory.node;
        node_ = std::make_unique<Node>(*clock_, *link_, config);
        group_.add(*node_);
        NodeNetwork::Gate gate;
        if (embedded_) gate = [internet = embedded_->internet()] { return internet->router().isReady(); };
        network_ = std::make_unique<NodeNetwork>(*node_, options.timing, std::move(gate), std::move(memory));
    } else {
        network_ = std::make_unique<OfflineNetwork>();
        DebugLog::note("no AppleTalk network: " + problem_);
    }
    requests_ = std::make_unique<DispatchRequests>(*network_, *clock_);
    network_->whenStarted([this](bool) {
        if (node_ && DebugLog::enabled()) DebugLog::note(acquisitionNote());
        firstStartDone();
    });
    if (options.ownThread) {
        loop_.add(group_);
        loop_.start();
    }
}

Stack::~Stack() {
    // The thread goes first, so nothing runs while the rest is taken down.
    loop_.stop();
    requests_.reset();
    network_.reset();
}

sim::ProbeTiming Stack::probeTiming(const StackOptions& options) const {
    // A test's own wire holds only the test's nodes; the embedded network says for its wires.
    if (options.link != nullptr) return sim::ProbeTiming::quick();
    if (embedded_) return embedded_->internet()->probeTimingFor(embedded_->internet()->scenario().clientNetwork);
    return sim::ProbeTiming::standard();
}

// One line on how the node got its address, or why it got none: probes that a crowded or
// hostile cable cost show here.
std::string Stack::acquisitionNote() const {
    const AcquisitionCounters counters = node_->acquisitionCounters();
    const std::string cost = std::to_string(counters.probesSent) + " probes, " + std::to_string(counters.conflicts) +
                             " conflicts, " + std::to_string(counters.addressesTried) + " addresses tried";
    if (!nodeService_.empty())
        return "address " + std::to_string(node_->thisNet()) + "." + std::to_string(node_->nodeId()) +
               " of the node service at " + nodeService_;
    if (node_->acquisitionFailed()) return Node::noFreeAddressMessage(settings_.networkName()) + " (" + cost + ")";
    return "address " + std::to_string(node_->thisNet()) + "." + std::to_string(node_->nodeId()) + " on " +
           settings_.networkName() + " after " + cost;
}

void Stack::firstStartDone() {
    {
        std::lock_guard lock(startMutex_);
        firstStartDone_ = true;
    }
    startChanged_.notify_all();
}

bool Stack::awaitFirstStart() {
    std::unique_lock lock(startMutex_);
    if (!ownThread_) return firstStartDone_;
    return startChanged_.wait_for(lock, firstStartWait_, [this] { return firstStartDone_; });
}

void Stack::openLink(const StackOptions& options) {
    if (options.link != nullptr) {
        link_ = options.link;
        return;
    }
    if (!settings_.networkProblem.empty()) {
        // A mistake in the settings: no network at all rather than the simulated one.
        problem_ = settings_.networkProblem;
        return;
    }
    if (options.useNodeService && attachToNodeService()) return;
    if (settings_.link == LinkKind::LToUdp) {
        LToUdpConfig config;
        config.interfaceAddress = settings_.interfaceAddress;
        config.ttl = settings_.ttl;
        config.port = settings_.port;
        std::string error;
        ownedLink_ = LToUdpLink::open(config, error);
        if (!ownedLink_)
            problem_ =
                "LToUDP on " + settings_.interfaceAddress + " port " + std::to_string(settings_.port) + ": " + error;
        link_ = ownedLink_.get();
        return;
    }
    if (settings_.link == LinkKind::EtherTalk) {
        std::string error;
        if (settings_.interfaceName.empty())
            error = "EtherTalk needs an interface: Interface=NAME (e.g. eth0)";
        else
            ownedLink_ = EtherTalkLink::open(settings_.interfaceName, error);
        if (!ownedLink_) problem_ = error;
        link_ = ownedLink_.get();
        return;
    }
    embedded_ = std::make_unique<EmbeddedNetwork>(*clock_, settings_.scenarioPath, options.seed);
    if (!embedded_->ok()) {
        problem_ = embedded_->problem();
        return;
    }
    group_.add(embedded_->pollable());
    ownedLink_ = embedded_->connect();
    link_ = ownedLink_.get();
    if (link_ == nullptr) problem_ = "the scenario's client network has no in-process wire";
}

void Stack::watch(Pollable& pollable) {
    if (ownThread_) loop_.add(pollable);
}

void Stack::unwatch(Pollable& pollable) {
    if (ownThread_) loop_.remove(pollable);
}

bool Stack::lostNodeService() const {
    const auto* service = dynamic_cast<const NodeServiceLink*>(link_);
    return service != nullptr && service->isGone();
}

// The first node service that answers on the settings' network. One that is not running
// (no socket, or nobody listening) is passed over in silence; one that refuses us, or runs
// on another network, is noted so the user learns why the program runs a node of its own.
bool Stack::attachToNodeService() {
    // A service answers once its node has started; one socket-activated may still be starting.
    constexpr auto kPatience = std::chrono::seconds(15);
    const std::string wanted = settings_.networkKey();
    for (const std::string& path : NodeServicePaths::candidates()) {
        std::string error;
        errno = 0; // only the connection's own refusal may read as one below
        auto link = NodeServiceLink::connect(path, kPatience, error);
        if (!link) {
            if (errno == EACCES || errno == EPERM)
                nodeServiceNotice_ = "the AppleTalk node service at " + path +
                                     " is only for the members of the group appletalk: " + error;
            else if (error != std::strerror(ENOENT) && error != std::strerror(ECONNREFUSED))
                nodeServiceNotice_ = "the AppleTalk node service at " + path + " could not be used: " + error;
            continue;
        }
        if (link->welcome().network != wanted) {
            nodeServiceNotice_ =
                "the AppleTalk node service at " + path + " is on " + link->welcome().network + ", not on " + wanted;
            continue;
        }
        nodeService_ = path;
        nodeServiceNotice_.clear();
        ownedLink_ = std::move(link);
        link_ = ownedLink_.get();
        return true;
    }
    if (!nodeServiceNotice_.empty()) DebugLog::note(nodeServiceNotice_ + "; this program runs a node of its own");
    return false;
}

} // namespace appletalk::runtime
