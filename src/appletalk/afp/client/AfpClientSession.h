// SPDX-License-Identifier: MIT
// One AFP session from the workstation's side, over any transport: the server's status, a
// login with the strongest UAM both sides have (the client's half done by UamClient), the
// volume list, and the logout. Failures come back as sentences the user can act on.
#pragma once

#include "appletalk/afp/client/AfpTransport.h"
#include "appletalk/afp/server/auth/Uam.h"
#include "appletalk/protocols/afp/AfpServerInfo.h"

#include <optional>
#include <string>
#include <vector>

namespace appletalk::afp {

struct AfpLoginRequest {
    std::string user; // UTF-8; empty: a guest
    std::string password; // UTF-8
    bool cleartextAllowed = false; // a password readable on the wire only when the user says so
};

struct AfpVolumeEntry {
    std::string name; // UTF-8
    bool hasPassword = false;
};

class AfpClientSession {
public:
    explicit AfpClientSession(AfpTransport& transport) : transport_(transport) {}

    // GetSrvrInfo: the status block, parsed.
    std::optional<AfpServerInfo> serverInfo(std::string& problem);
    // Opens the transport's session and logs in; false with the reason.
    bool login(const AfpServerInfo& server, const AfpLoginRequest& request, std::string& problem);
    // GetSrvrParms' volumes, in the server's order.
    std::optional<std::vector<AfpVolumeEntry>> volumes(std::string& problem);
    // GetSrvrMsg: the server's message, as UTF-8, to fetch once an attention says one waits
    // (never from the attention handler: the transport is busy there).
    std::optional<std::string> serverMessage(std::string& problem);
    // Logout, then the transport's session closed.
    void logout();

    std::optional<Uam> uam() const { return uam_; }

private:
    // The AFP result in words, or the transport's reason when no reply came.
    static bool succeeded(const AfpCallResult& result, std::string& problem);
    bool loginNamed(const std::string& version, const AfpLoginRequest& request, std::string& problem);

    AfpTransport& transport_;
    std::optional<Uam> uam_;
    bool loggedIn_ = false;
};

} // namespace appletalk::afp
