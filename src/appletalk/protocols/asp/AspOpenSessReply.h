// SPDX-License-Identifier: MIT
// The user bytes of the reply to OpenSess: the server session socket, the session id and an
// error code (0, or AspError::BadVersNum, ServerBusy, TooManyClients). No data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::asp {

struct AspOpenSessReply {
    std::uint8_t serverSocket = 0;
    std::uint8_t session = 0;
    std::int16_t error = 0;

    static AspOpenSessReply refused(AspError why) { return {0, kNoSession, static_cast<std::int16_t>(why)}; }
    bool opened() const { return error == 0; }

    // An opened session has a socket and a session id that is not 0.
    static std::optional<AspOpenSessReply> parse(std::span<const std::uint8_t> userBytes);
    atp::UserBytes serialize() const;

    bool operator==(const AspOpenSessReply&) const = default;
};

} // namespace appletalk::asp
