// SPDX-License-Identifier: MIT
// One program attached to the node service: its connection, who it is (the kernel's word for
// its process and user, not its own), and what it holds of the node, so that all of it is
// released when it goes, however it ends.
#pragma once

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/nodeservice/NodeServiceMessage.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace appletalk::nodeservice {

class ServiceClient {
public:
    ServiceClient(int fd, std::uint64_t number, int sendBufferBytes);
    ~ServiceClient(); // closes the connection
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    int fd() const { return fd_; }
    std::uint64_t number() const { return number_; }
    // "program 3 (pid 812 vidur, user alice)", for the log.
    const std::string& description() const { return description_; }

    // Never waits: a message the program's buffer cannot take now is dropped. False then, or
    // when the connection is broken.
    bool send(const Message& message);
    // The next packet the program sent, if one waits; `closed` is set once it hung up.
    bool receive(std::vector<std::uint8_t>& packet, bool& closed);

    bool welcomed = false;
    bool helloSeen = false;
    std::set<std::uint8_t> sockets;
    std::vector<nbp::NbpName> names;
    std::uint64_t deliveriesDropped = 0;
    std::uint64_t sendsRefused = 0; // datagrams from a socket that is not its

private:
    int fd_;
    std::uint64_t number_;
    std::string description_;
};

} // namespace appletalk::nodeservice
