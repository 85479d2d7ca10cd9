// SPDX-License-Identifier: MIT
// One client's AFP session: its login, open volumes, forks, locks and desktop databases.
// Every command block is answered with a result code and reply data; a block that does not
// parse gets ParamErr, a command this server does not do CallNotSupported, and nothing a
// client sends ends the session but Logout.
#pragma once

#include "appletalk/afp/server/AfpServerConfig.h"

#include <memory>
#include <span>

namespace appletalk::afp {

class AfpServerState;
class AfpSessionState;

class AfpSession {
public:
    AfpSession(std::shared_ptr<AfpServerState> server, AfpSessionOptions options);
    ~AfpSession(); // releases its forks, locks and open desktop databases
    AfpSession(const AfpSession&) = delete;
    AfpSession& operator=(const AfpSession&) = delete;

    AfpAnswer command(std::span<const std::uint8_t> request);
    // A Write or AddIcon command block and the data that came with it (ASP WriteContinue,
    // DSI Write).
    AfpAnswer write(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data);
    bool loggedIn() const;
    bool loggedOut() const; // after Logout: the transport ends the session

private:
    AfpAnswer dispatch(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data, bool isWrite);

    std::unique_ptr<AfpSessionState> state_;
};

} // namespace appletalk::afp
