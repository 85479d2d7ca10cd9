// SPDX-License-Identifier: MIT
// This process's connection to the host's node service, over a Unix sequenced-packet socket:
// one message a packet (appletalk/protocols/nodeservice). A node built on this link gets a
// NodeServicePort: the service's node is its node. Messages the service sends unasked (a
// datagram, a change of state) wait here until the owner polls, as frames wait in any link;
// the few requests that need an answer (a socket, a name) wait for it on the caller's thread,
// keeping what else arrives meanwhile for the next poll.
#pragma once

#include "appletalk/node/link/Link.h"
#include "appletalk/protocols/nodeservice/NodeServiceMessage.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace appletalk {

class NodeServiceLink final : public Link {
public:
    // Connects to the service at `path` and greets it, waiting at most `patience` for its
    // welcome (the service answers once its node has started). Nothing, with `error` saying
    // why, when nothing listens there, access is refused, or the service refused or did
    // not answer.
    static std::unique_ptr<NodeServiceLink> connect(const std::string& path, std::chrono::milliseconds patience,
                                                    std::string& error);
    ~NodeServiceLink() override;
    NodeServiceLink(const NodeServiceLink&) = delete;
    NodeServiceLink& operator=(const NodeServiceLink&) = delete;

    const nodeservice::Welcome& welcome() const { return welcome_; }
    const std::string& path() const { return path_; }

    // Sends without waiting; false when the service is gone or cannot take it now.
    bool post(const nodeservice::Message& message);
    // Sends and waits for the answer with the same request id (of SocketOpened or
    // NameRegistered); nothing when the service went away or did not answer in time.
    std::optional<nodeservice::Message> request(const nodeservice::Message& message, std::uint32_t id);
    std::uint32_t nextRequestId() { return ++lastRequest_; }
    bool isGone() const { return fd_ < 0; }

    void attach(FrameHandler onFrame, WakeHandler onInput) override;
    void detach() override;
    bool isAttached() const override { return static_cast<bool>(onFrame_); }
    // Frames are messages here; a node sends through post(), never this.
    bool send(std::span<const std::uint8_t> frame) override;
    bool poll() override;
    int waitHandle() const override { return fd_; }

private:
    NodeServiceLink(int fd, std::string path);
    // One packet from the service, waiting at most `timeoutMs` (-1: not at all); empty
    // when none came. Marks the link gone when the service closed its end.
    std::optional<std::vector<std::uint8_t>> receive(int timeoutMs);
    void lost();

    std::atomic<int> fd_; // -1 once the service is gone; read from any thread by isGone()
    std::string path_;
    nodeservice::Welcome welcome_;
    std::uint32_t lastRequest_ = 0;
    std::deque<std::vector<std::uint8_t>> early_; // came while a request waited
    bool goneReported_ = false;
    FrameHandler onFrame_;
    WakeHandler onInput_;
};

} // namespace appletalk
