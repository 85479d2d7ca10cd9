// SPDX-License-Identifier: MIT
// What one session holds between commands: who logged in, the volumes it opened, its forks
// and its open desktop databases. Releasing them all is its destructor's work, so a client
// that disappears leaves no fork open and no range locked.
#pragma once

#include "appletalk/afp/server/AfpForkTable.h"
#include "appletalk/afp/server/AfpServerState.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace appletalk::afp {

class AfpSessionState {
public:
    AfpSessionState(std::shared_ptr<AfpServerState> server, AfpSessionOptions options);
    ~AfpSessionState();
    AfpSessionState(const AfpSessionState&) = delete;
    AfpSessionState& operator=(const AfpSessionState&) = delete;

    AfpServerState& server() { return *server_; }
    std::shared_ptr<AfpServerState> serverHandle() const { return server_; }
    const AfpSessionOptions& options() const { return options_; }

    bool loggedIn = false;
    bool loggedOut = false;
    bool guest = false;
    std::string user; // Mac OS Roman; empty for a guest
    std::unique_ptr<LoginExchange> continuation; // a login waiting for its LoginCont

    // A volume this session opened, or null.
    AfpSharedVolume* openVolume(std::uint32_t volumeId);
    void markOpen(std::uint16_t volumeId) { openVolumes_.insert(volumeId); }
    void closeVolume(std::uint16_t volumeId);

    AfpForkTable& forks() { return forks_; }
    // Adds an open fork under a fresh reference; 0 when the table is full.
    std::uint16_t addFork(AfpOpenFork fork);
    void closeFork(std::uint16_t reference);
    void closeEverything();

    // Open desktop databases: reference to volume ID.
    std::uint16_t openDesktop(std::uint16_t volumeId); // 0 when at the limit
    AfpSharedVolume* desktopVolume(std::uint32_t reference);
    bool closeDesktop(std::uint32_t reference);

private:
    std::shared_ptr<AfpServerState> server_;
    AfpSessionOptions options_;
    std::set<std::uint16_t> openVolumes_;
    AfpForkTable forks_;
    std::map<std::uint16_t, std::uint16_t> desktops_;
};

} // namespace appletalk::afp
