// SPDX-License-Identifier: MIT
// The library's stack, one per process: the client node on the chosen link (the embedded
// simulated network, LToUDP, or a link a test hands in), the network operations above it,
// the open enumerations and the dispatched requests, and the one thread that owns them all.
//
// Every function of the library reaches the stack through instance(), which starts it on
// first use from StackSettings. Work on the network runs on the stack's thread: run() carries
// a short task there and returns its result. A stack built with ownThread = false has no
// thread: run() then works on the caller's thread, and the caller polls pollable() (tests
// drive it on virtual time with a VirtualTimeDriver).
#pragma once

#include "appletalk/node/EventLoop.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/runtime/DispatchBlockPool.h"
#include "appletalk/runtime/DispatchRequests.h"
#include "appletalk/runtime/Enumeration.h"
#include "appletalk/runtime/EnumerationTable.h"
#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/runtime/NodeNetwork.h"
#include "appletalk/runtime/StackSettings.h"
#include "appletalk/sim/PollGroup.h"
#include "appletalk/sim/ProbeTiming.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace appletalk::runtime {

class EmbeddedNetwork;

struct StackOptions {
    const Clock* clock = nullptr; // null: the system clock
    bool ownThread = true;
    // A link of the caller's (a test's wire); null: the link the settings choose.
    Link* link = nullptr;
    std::uint64_t seed = 0; // node ids and the simulated wire; 0: random
    NodeNetworkTiming timing;
    // The longest a caller waits for the node's first start (ZIPGetMyZone).
    Duration firstStartWait = std::chrono::seconds(3);
    // A server's node takes its LocalTalk id from the servers' range (128..254), as printers do.
    bool server = false;
    // Use the host's node service when one runs on the settings' network (NodeServicePaths);
    // the service itself runs a node of its own.
    bool useNodeService = true;
};

using ZoneEnumeration = Enumeration<std::string>;
using LookupEnumeration = Enumeration<_NBPTuple>;

class Stack {
public:
    // The process-wide stack, started from the settings on first use; null when it could not
    // be built at all.
    static std::shared_ptr<Stack> instance();
    // Why instance() last could not build a stack at all; empty when it could.
    static std::string startProblem();
    // The process-wide stack if one runs, without starting one.
    static std::shared_ptr<Stack> current();
    // Replaces the process-wide stack (tests); null makes the next use start one again.
    static void install(std::shared_ptr<Stack> stack);

    explicit Stack(StackSettings settings, StackOptions options = {});
    ~Stack();
    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    const StackSettings& settings() const { return settings_; }
    // False when the chosen link could not be opened: every network operation then fails.
    bool isOnline() const { return node_ != nullptr; }
    std::string problem() const { return problem_; }

    // Waits, at most StackOptions::firstStartWait, until the node has started for the first
    // time; true once it has. Returns at once on a stack that has started, and on one
    // without a thread of its own (nothing would move while it waited).
    bool awaitFirstStart();

    template <typename Function>
    auto run(Function&& function) {
        return loop_.invoke(std::forward<Function>(function));
    }
    // Runs `task` on the stack's thread later, without waiting for it.
    void post(std::function<void()> task) { loop_.post(std::move(task)); }

    // Everything the stack's thread polls: the client node and the embedded network.
    Pollable& pollable() { return group_; }
    // One more pollable for the stack's thread (a service with descriptors of its own), until
    // unwatch() returns; on a stack without a thread, the caller polls it.
    void watch(Pollable& pollable);
    void unwatch(Pollable& pollable);
    const Clock& clock() const { return *clock_; }

    EnumerationTable<ZoneEnumeration>& zoneEnumerations() { return zones_; }
    EnumerationTable<LookupEnumeration>& lookupEnumerations() { return lookups_; }
    // On the stack's thread only.
    NetworkOperations& network() { return *network_; }
    DispatchRequests& requests() { return *requests_; }
    Node* node() { return node_.get(); }
    // The link the node is on; only while isOnline().
    const Link& link() const { return *link_; }
    EmbeddedNetwork* embedded() { return embedded_.get(); }
    // The socket of the host's node service whose node this stack uses; empty when the node is
    // this process's own.
    const std::string& nodeService() const { return nodeService_; }
    // Why a node service that was there could not be used (access refused, another network);
    // empty when none was found or it was used.
    const std::string& nodeServiceNotice() const { return nodeServiceNotice_; }
    // The node service this stack used went away: nothing reaches the network any more.
    bool lostNodeService() const;

private:
    void openLink(const StackOptions& options);
    bool attachToNodeService();
    void firstStartDone();
    std::string acquisitionNote() const;
    // How the client node probes for its id on the link it got.
    sim::ProbeTiming probeTiming(const StackOptions& options) const;

    StackSettings settings_;
    SystemClock systemClock_;
    const Clock* clock_;
    std::string problem_;
    std::string nodeService_;
    std::string nodeServiceNotice_;
    sim::PollGroup group_;
    std::unique_ptr<EmbeddedNetwork> embedded_;
    std::unique_ptr<Link> ownedLink_;
    Link* link_ = nullptr;
    std::unique_ptr<Node> node_;
    std::unique_ptr<NetworkOperations> network_;
    std::unique_ptr<DispatchRequests> requests_;
    bool ownThread_;
    Duration firstStartWait_;
    std::mutex startMutex_;
    std::condition_variable startChanged_;
    bool firstStartDone_ = false;
    EnumerationTable<ZoneEnumeration> zones_;
    EnumerationTable<LookupEnumeration> lookups_;
    EventLoop loop_; // last: stopped first, before anything it polls goes away
};

} // namespace appletalk::runtime
