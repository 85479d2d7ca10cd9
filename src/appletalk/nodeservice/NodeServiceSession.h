// SPDX-License-Identifier: MIT
// The node service on a stack of its own, for the `vidur node` command: the node on the
// network the settings name (never another service's), and once it has started, the service
// on the listening socket, polled by the stack's thread.
#pragma once

#include "appletalk/nodeservice/NodeServiceLimits.h"
#include "appletalk/runtime/StackSettings.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace appletalk::runtime {
class Stack;
}

namespace appletalk::nodeservice {

class NodeService;

class NodeServiceSession {
public:
    using Log = std::function<void(const std::string& line)>;

    explicit NodeServiceSession(runtime::StackSettings settings);
    ~NodeServiceSession();
    NodeServiceSession(const NodeServiceSession&) = delete;
    NodeServiceSession& operator=(const NodeServiceSession&) = delete;

    // False when the network could not be opened; problem() says why.
    bool isOnline() const;
    std::string problem() const;
    // Waits, at most `limit`, until the node has its address and has looked for its router
    // and zone. False when it did not start: startProblem() says why.
    bool awaitStart(std::chrono::milliseconds limit);
    std::string startProblem() const;
    // The node's address and zone, for the user: "NET.NODE in ZONE" (the zone in Mac OS Roman).
    std::string whereabouts();

    // Serves the programs of the host on `listenFd` (owned from now on), once started.
    void serve(int listenFd, NodeServiceLimits limits, Log log);
    std::size_t programs();

private:
    std::shared_ptr<runtime::Stack> stack_;
    std::unique_ptr<NodeService> service_; // on the stack's thread only
    std::string startProblem_;
};

} // namespace appletalk::nodeservice
