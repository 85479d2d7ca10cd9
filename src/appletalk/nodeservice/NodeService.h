// SPDX-License-Identifier: MIT
// The host's node service: this process's node, shared with every program of the host that
// connects to its socket. Each program opens DDP sockets on the node, sends from them and
// receives what comes to them, and registers names on the node's NBP; the node's start-up,
// its router, zone and range are the service's, announced to each program as they change.
// What a program holds belongs to it alone and goes with it. Runs on the thread that polls
// the node (the stack's), as one more pollable whose descriptor is an epoll set of the
// listening socket and every connection.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/nodeservice/NodeServiceLimits.h"
#include "appletalk/nodeservice/ServiceClient.h"
#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/services/nbp/NbpRegistry.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace appletalk::nodeservice {

class NodeService final : public Pollable {
public:
    using Log = std::function<void(const std::string& line)>;

    // Serves on `listenFd` (owned from now on) once `network` has started. `networkKey` is the
    // network as programs compare it (StackSettings::networkKey).
    NodeService(Node& node, runtime::NetworkOperations& network, std::string networkKey, int listenFd,
                NodeServiceLimits limits, Log log);
    ~NodeService() override; // every program's sockets and names released, connections closed
    NodeService(const NodeService&) = delete;
    NodeService& operator=(const NodeService&) = delete;

    std::size_t programs() const { return clients_.size(); }
    bool isListening() const { return epollFd_ >= 0; }

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override { return std::nullopt; }
    int waitHandle() const override { return epollFd_; }
    void setWakeHandler(std::function<void()> /*wake*/) override {}

private:
    void acceptAll();
    void serve(ServiceClient& client);
    void handle(ServiceClient& client, const Message& message);
    void hello(ServiceClient& client, const Hello& hello);
    void openSocket(ServiceClient& client, const OpenSocket& request);
    void closeSocket(ServiceClient& client, std::uint8_t socket);
    void send(ServiceClient& client, const Send& request);
    void registerName(ServiceClient& client, const RegisterName& request);
    void removeName(ServiceClient& client, const RemoveName& request);
    void deliver(std::uint64_t number, const Datagram& datagram);
    void release(ServiceClient& client);
    void drop(int fd, const std::string& why);
    NodeState currentState() const;
    void applyZoneRule(const NodeState& state);
    void announceState();

    Node& node_;
    runtime::NetworkOperations& network_;
    std::string networkKey_;
    int listenFd_;
    int epollFd_ = -1;
    NodeServiceLimits limits_;
    Log log_;
    NbpRegistry names_;
    NodeState announced_;
    std::uint64_t nextNumber_ = 1;
    std::map<int, std::unique_ptr<ServiceClient>> clients_; // by descriptor
};

} // namespace appletalk::nodeservice
