// SPDX-License-Identifier: MIT
// A print server on its own AppleTalk stack, for the `vidur serve` command: the node on the
// network the settings choose (taking a server's node id), the print server on it, and calls
// from the caller's threads carried to the stack's thread. Destinations deliver their events
// through post().
#pragma once

#include "appletalk/runtime/StackSettings.h"
#include "appletalk/serve/PrintServer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appletalk::runtime {
class Stack;
}

namespace appletalk::serve {

class ServeSession {
public:
    ServeSession(runtime::StackSettings settings, ServeLimits limits, ServeLog& log);
    ~ServeSession(); // stops, waiting as stop() does
    ServeSession(const ServeSession&) = delete;
    ServeSession& operator=(const ServeSession&) = delete;

    // False when the network could not be opened; problem() says why.
    bool isOnline() const;
    // The host's node service this server's node was went away: its names went with it.
    bool lostNetwork() const;
    std::string problem() const;
    // Waits, at most `limit`, until the node has its address and zone.
    bool awaitStart(std::chrono::milliseconds limit);
    // The node's address and zone, for the user: "NET.NODE in ZONE" (the zone in Mac OS Roman).
    std::string whereabouts();

    void publish(PublishedPrinter printer);
    void withdraw(const std::string& queue);
    void setState(const std::string& queue, const QueueState& state);
    std::vector<PrinterView> printers();

    // Unregisters every name and closes every connection, waiting at most `limit` for the
    // workstations to hear of it; true when every connection closed in time.
    bool stop(std::chrono::milliseconds limit);
    // Runs `task` on the stack's thread soon.
    void post(std::function<void()> task);

private:
    std::shared_ptr<runtime::Stack> stack_;
    std::unique_ptr<PrintServer> server_; // on the stack's thread only
    bool stopped_ = false;
};

} // namespace appletalk::serve
