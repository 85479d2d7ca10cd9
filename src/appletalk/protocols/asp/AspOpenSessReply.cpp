// SPDX-License-Identifier: MIT
#include "appletalk/protocols/asp/AspOpenSessReply.h"

namespace appletalk::asp {

std::optional<AspOpenSessReply> AspOpenSessReply::parse(std::span<const std::uint8_t> userBytes) {
    if (userBytes.size() != 4) return std::nullopt;
    const AspOpenSessReply reply{
        userBytes[0], userBytes[1],
        static_cast<std::int16_t>(static_cast<std::uint16_t>(userBytes[2] << 8 | userBytes[3]))};
    if (reply.opened() && (reply.serverSocket == 0 || reply.session == kNoSession)) return std::nullopt;
    return reply;
}

atp::UserBytes AspOpenSessReply::serialize() const {
    const auto word = static_cast<std::uint16_t>(error);
    return {serverSocket, session, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)};
}

} // namespace appletalk::asp
